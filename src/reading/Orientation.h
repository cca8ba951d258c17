#pragma once

#include "ReadingTypes.h"

#include <QImage>
#include <QSizeF>

class TextRecognizer;

// How well a page reads the right way up: confidence, found question numbers,
// number of lines and how far the numbers run down the page; numbers spread
// along one line (a page turned sideways) are penalised.
double readabilityScore(const QList<RecognizedTextBlock>& blocks, const QSizeF& page,
                        qint64 questionCount);

struct OrientationChoice
{
    QImage image;         // the page turned the way it reads best
    int quarterTurns = 0; // as rotatedImage counts them
};

// Tries the page as decoded and turned by one, two and three quarter turns and
// keeps the best score; ties keep the earlier orientation. Pages larger than
// judgeMaxSide are judged on a smaller copy, which scores the same way but
// costs a fraction of the recognition time; 0 judges at full size.
OrientationChoice bestReadableImage(const QImage& image, qint64 questionCount,
                                    TextRecognizer& recognizer, int judgeMaxSide = 850);

// Which way the print's lines run, judged from a small copy of the page
// without recognition: across (the page upright or upside down), down (the
// page turned a quarter either way), or unclear (little print, or as much
// each way).
enum class PrintAxis
{
    across,
    down,
    unclear
};
PrintAxis printAxis(const QImage& image);
