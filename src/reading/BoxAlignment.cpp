#include "BoxAlignment.h"

#include <algorithm>
#include <cmath>
#include <utility>

bool sameSizeBox(const QRect& a, const QRect& b)
{
    return std::abs(a.width() - b.width()) <= 0.15 * b.width() &&
           std::abs(a.height() - b.height()) <= 0.15 * b.height();
}

// The page's boxes the size of `square` in its column, a line below or
// above, or in its row.
qsizetype boxesInLineWith(const QRect& square, const QList<QRect>& boxes, double h)
{
    return std::count_if(boxes.begin(), boxes.end(), [&](const QRect& b) {
        const bool sameColumn = std::abs(b.left() - square.left()) <= 0.25 * h &&
                                std::abs(b.center().y() - square.center().y()) <= 2.5 * h;
        const bool sameRow = std::abs(b.top() - square.top()) <= 0.2 * h;
        return sameSizeBox(b, square) && !b.intersects(square) && (sameColumn || sameRow);
    });
}

// Boxes the size of `square` in its row, and in its column a line apart
// from it or from each other. In a column of boxes read into their labels'
// words, each is another's partner, so long as one of them stands apart.
qsizetype partnersOf(const QRect& square, const QList<QRect>& boxes, const QList<QRect>& others,
                     double h, bool inRow)
{
    qsizetype row = 0;
    QList<std::pair<QRect, bool>> mates; // in the column; a box standing apart
    for (const QRect& b : boxes) {
        if (!sameSizeBox(b, square) || b.intersects(square))
            continue;
        if (std::abs(b.left() - square.left()) <= 0.25 * h)
            mates.append({b, true});
        else if (inRow && std::abs(b.top() - square.top()) <= 0.2 * h)
            ++row;
    }
    for (const QRect& b : others)
        if (b != square && !boxes.contains(b) && sameSizeBox(b, square) && !b.intersects(square) &&
            std::abs(b.left() - square.left()) <= 0.25 * h)
            mates.append({b, false});
    QList<QRect> reached{square};
    bool apart = false;
    for (bool grown = true; grown;) {
        grown = false;
        for (qsizetype i = 0; i < mates.size(); ++i) {
            const QRect& b = mates[i].first;
            if (std::none_of(reached.begin(), reached.end(), [&](const QRect& r) {
                    return std::abs(b.center().y() - r.center().y()) <= 2.5 * h;
                }))
                continue;
            reached.append(b);
            apart = apart || mates[i].second;
            mates.removeAt(i--);
            grown = true;
        }
    }
    return row + (apart ? reached.size() - 1 : 0);
}

// A square recognition read as the first letter of a word is its label's
// check box when it lines up with the page's other boxes, the size of them,
// two of them at least (a bold letter can draw a square too). A letter
// square after a word is the next word's first letter ("Time Management"),
// and one a little way after a box its label's ("Other"); a label's box
// stands well clear of the label before it, and is as tall as it is wide.
bool boxBeginsWord(const QRect& square, const QList<QRect>& boxes, const QList<QRect>& others,
                   const QList<QRectF>& printBoxes, double h)
{
    const qsizetype inLine = partnersOf(square, boxes, others, h);
    const bool afterWord = std::any_of(printBoxes.begin(), printBoxes.end(), [&](const QRectF& p) {
        return p.right() <= square.left() + 2 && p.right() >= square.left() - 0.8 * h &&
               std::min(p.bottom(), double(square.bottom())) -
                       std::max(p.top(), double(square.top())) >=
                   0.5 * square.height();
    });
    const bool afterItsBox = std::any_of(boxes.begin(), boxes.end(), [&](const QRect& b) {
        return b.right() < square.left() && square.left() - b.right() <= 1.5 * h &&
               b.top() <= square.center().y() && b.bottom() >= square.center().y();
    });
    const bool isSquare = std::abs(square.width() - square.height()) <=
                          0.15 * std::max(square.width(), square.height());
    return inLine >= 2 && isSquare && !afterWord && !afterItsBox &&
           std::none_of(boxes.begin(), boxes.end(),
                        [&](const QRect& b) { return b.intersects(square); });
}
