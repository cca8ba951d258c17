#include "HandwritingInk.h"

#include "PageInk.h"

#include <algorithm>

std::optional<UnreadInkSignal> handwriting(const PageInk& ink, const QRectF& area,
                                           const QRectF& column, double h)
{
    double pixels = 0;
    double longest = 0;
    QRectF bounds;
    for (const InkPiece& piece : ink.pieces()) {
        if (piece.kind != InkKind::pen)
            continue;
        const QRectF b(piece.bounds);
        if (!area.contains(b.center()) || !column.contains(b.center()))
            continue;
        pixels += piece.area;
        longest = std::max({longest, b.width(), b.height()});
        bounds = bounds.isNull() ? b : bounds.united(b);
    }
    // A word written small can close a loop square enough to pass for a
    // check box, its outline then taken out as a printed line; a written
    // answer's area has no check boxes, so such a box is writing.
    for (const QRect& box : ink.boxes()) {
        const QRectF b(box);
        if (!area.contains(b.center()) || !column.contains(b.center()))
            continue;
        pixels += ink.inkPixelsIn(box) - ink.penPixelsIn(box);
        longest = std::max({longest, b.width(), b.height()});
        bounds = bounds.isNull() ? b : bounds.united(b);
    }
    // A short word written small breaks into letters shorter than a
    // print height; together they stretch as far as one.
    if (bounds.width() <= 4 * h && bounds.height() <= 2 * h)
        longest = std::max({longest, bounds.width(), bounds.height()});
    if (pixels < 0.3 * h * h || longest < 0.8 * h) {
        // Pencil pressed lightly is paler than ink; with no print in the
        // answer area, its paler strokes count there.
        const PageInk::Strokes pale =
            ink.paleStrokesIn(area.intersected(column).toAlignedRect(), h);
        if (pale.pixels < 0.3 * h * h || pale.longest < 0.8 * h)
            return std::nullopt;
        pixels = pale.pixels;
        bounds = QRectF(pale.bounds);
    }
    const double ratio = pixels / std::max(1.0, area.width() * area.height());
    return UnreadInkSignal{ratio, std::min(0.92, 0.35 + 80.0 * ratio), bounds};
}
