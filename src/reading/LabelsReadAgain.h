#pragma once

#include "ReadingTypes.h"

#include <QImage>
#include <QList>
#include <QStringList>

class PageInk;
class TextRecognizer;

// An answer area whose question is missing labels among those recognition
// found on the page.
struct AreaToReadAgain
{
    QRectF area;
    QStringList options;
    QStringList missing;
};

// A mark drawn over a label (a cross through it, a box's stroke running into
// its letters) can garble or hide it from recognition. Each area is read
// again from `grey` with the pen strokes and printed lines painted as paper;
// a missing label found there replaces the words read where it stands, the
// rest of the page's lines kept as read (their marks read with them are
// evidence of their own). Returns `lines` unchanged when no label was found.
// `h` is the print height; `scale` what the page was scaled by to be
// recognised.
QList<RecognizedTextBlock> linesReadAgain(const QList<RecognizedTextBlock>& lines,
                                          const QList<AreaToReadAgain>& areas, const QImage& grey,
                                          const PageInk& ink, TextRecognizer& recognizer, double h,
                                          double scale);
