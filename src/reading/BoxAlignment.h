#pragma once
// Where check boxes stand against one another and against the words:
// boxes of one size lined up in a column or row, the page's own layout,
// tell a box from a letter that draws a square.
#include <QList>
#include <QRect>
#include <QRectF>

// Whether two boxes are the same size, within the blur of a scan.
bool sameSizeBox(const QRect& a, const QRect& b);

// The page's boxes the size of `square` in its column, a line below or
// above, or in its row.
qsizetype boxesInLineWith(const QRect& square, const QList<QRect>& boxes, double h);

// Boxes the size of `square` in its row (when `inRow`), and in its column a
// line apart from it or from each other, counting `others` (boxes read into
// words) so long as one of them is among `boxes`.
qsizetype partnersOf(const QRect& square, const QList<QRect>& boxes, const QList<QRect>& others,
                     double h, bool inRow = true);

// Whether a square recognition read as a word's first letter is its label's
// check box, among the page's `boxes`, the other such squares and the print.
bool boxBeginsWord(const QRect& square, const QList<QRect>& boxes, const QList<QRect>& others,
                   const QList<QRectF>& printBoxes, double h);
