#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QRectF>
#include <optional>

// Connected pieces of dark ink on a grey page, found from runs of dark pixels
// (8-connected).
// Pen and print both stay darker than this on scans; paper and its noise
// lighter.
constexpr int kPrintInkThreshold = 150;

struct InkRun
{
    int y = 0;
    int x0 = 0; // first dark pixel
    int x1 = 0; // last dark pixel
};

struct InkComponent
{
    QRect bounds;
    qint64 pixels = 0;
    QList<InkRun> runs;
};

// Every component of pixels darker than `threshold` in a Grayscale8 image.
QList<InkComponent> inkComponents(const QImage& grey, int threshold);

// The square outline of a printed check box in the component (also when a
// tick, cross or filling is drawn over it), or nothing.
std::optional<QRect> checkBoxSquare(const InkComponent& component);

// A grey copy for text recognition with the ink that is not lettering wiped
// out: Tesseract reads a ringed word as garbage or drops it, and turns check
// boxes into letters ("M Female") or into part of the label's box.
// - A ring: ink taller than 1.5 lines of print that encloses other print, a
//   thin line round paper.
// - A check box: a square outline about the size of print, with whatever pen
//   marks touch it.
// The image itself when nothing is wiped or it is not Grayscale8.
QImage withoutMarksAndBoxes(const QImage& grey);

// The box of the letters whose middles lie in `box` (from the components of
// the image the box was read on, whose typicalPrintHeight is given), leaving out specks and
// anything taller than three lines of print. Tesseract's word boxes on a slightly tilted or noisy
// scan stand up to half a line too tall, which moves the check box sought beside a label. The box
// itself when no letter lies in it.
QRectF tightenedToLetters(const QRectF& box, const QList<InkComponent>& components,
                          int printHeight);

// The height of ordinary print: the median height of the pieces big enough
// to be letters; 0 when there are none.
int typicalPrintHeight(const QList<InkComponent>& components);
