// Ink paler than the page's ink level: pencil pressed lightly.

#include "PageInk.h"
#include "PageInkData.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace {
// Share of the strokes beside the print that, paler than ink, marks a page
// written in pencil pressed lightly.
constexpr double kPaleShare = 0.2;
} // namespace

PageInk::Strokes PageInk::paleStrokesIn(const QRect& rect, double printHeight,
                                        bool leavingPenOut) const
{
    return paleStrokes(rect, printHeight, leavingPenOut, nullptr);
}

PageInk::Strokes PageInk::paleStrokes(const QRect& rect, double printHeight, bool leavingPenOut,
                                      const QList<QRectF>* beside) const
{
    if (m_data->pen.empty())
        return {};
    const cv::Rect r = onImage(rect, m_data->pen);
    if (r.empty())
        return {};
    const double h = std::max(6.0, printHeight);
    cv::Mat pale;
    cv::threshold(m_data->levelled(r), pale, kLightInkInBox - 1, 255, cv::THRESH_BINARY_INV);
    // Print and lines with the pale fringe round their edges. The darker
    // slivers of a pale ring and dust are no print to keep out.
    cv::Mat other = m_data->lines(r).clone();
    for (qsizetype k = 0; k < m_pieces.size(); ++k) {
        const InkPiece& piece = m_pieces[k];
        const QRect& b = piece.bounds;
        if ((piece.kind == InkKind::pen && !leavingPenOut) || piece.kind == InkKind::speck ||
            (std::min(b.width(), b.height()) <= 0.12 * h && piece.area < 0.08 * h * h))
            continue;
        const cv::Rect own = cv::Rect(b.x(), b.y(), b.width(), b.height()) & r;
        if (!own.empty())
            other(own - r.tl()) |= (m_data->labels(own) == int(k + 1));
    }
    cv::dilate(other, other, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)));
    pale &= ~other;
    cv::Mat labels, stats, centres;
    const int count = cv::connectedComponentsWithStats(pale, labels, stats, centres, 8, CV_32S);
    Strokes strokes;
    for (int i = 1; i < count; ++i) {
        const int width = stats.at<int>(i, cv::CC_STAT_WIDTH);
        const int height = stats.at<int>(i, cv::CC_STAT_HEIGHT);
        const QRect bounds(r.x + stats.at<int>(i, cv::CC_STAT_LEFT),
                           r.y + stats.at<int>(i, cv::CC_STAT_TOP), width, height);
        // Writing is thin strokes; a shadow or a lamp's falloff at the
        // page's edge is a solid patch.
        const bool atEdge = bounds.left() <= 2 || bounds.top() <= 2 ||
                            bounds.right() >= m_data->pen.cols - 3 ||
                            bounds.bottom() >= m_data->pen.rows - 3;
        if (std::max(width, height) < 0.5 * h || atEdge ||
            stats.at<int>(i, cv::CC_STAT_AREA) > 0.5 * width * height ||
            (beside && std::none_of(beside->begin(), beside->end(), [&](const QRectF& near) {
                 return near.intersects(QRectF(bounds));
             })))
            continue;
        strokes.pixels += stats.at<int>(i, cv::CC_STAT_AREA);
        strokes.bounds = strokes.bounds.isNull() ? bounds : strokes.bounds.united(bounds);
        strokes.longest = std::max({strokes.longest, width, height});
    }
    return strokes;
}

bool PageInk::markedInPalePencil(const QList<QRectF>& printBoxes, double printHeight) const
{
    if (m_data->pen.empty())
        return false;
    const double h = std::max(6.0, printHeight);
    // Doodles in the margins, away from the print, do not count.
    QList<QRectF> besidePrint;
    besidePrint.reserve(printBoxes.size());
    for (const QRectF& p : printBoxes)
        besidePrint.append(p.adjusted(-h, -h, h, h));
    const auto nearPrint = [&](const QRect& b) {
        return std::any_of(besidePrint.begin(), besidePrint.end(),
                           [&](const QRectF& near) { return near.intersects(QRectF(b)); });
    };
    double pen = 0;
    for (const InkPiece& piece : m_pieces)
        if (piece.kind == InkKind::pen &&
            std::max(piece.bounds.width(), piece.bounds.height()) >= 0.5 * h &&
            nearPrint(piece.bounds))
            pen += piece.area;
    const double pale =
        paleStrokes(QRect(0, 0, m_data->pen.cols, m_data->pen.rows), h, true, &besidePrint).pixels;
    return pale >= h * h && pale >= kPaleShare * (pale + pen);
}
