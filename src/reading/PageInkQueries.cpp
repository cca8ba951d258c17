// Questions asked of a page's ink once it is sorted.

#include "PageInk.h"
#include "PageInkData.h"

#include "InkShapes.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

int PageInk::inkSpanIn(const QRect& rect) const
{
    const cv::Rect r = onImage(rect, m_data->levelled);
    if (r.empty() || m_data->lines.empty())
        return 0;
    int top = r.y + r.height, bottom = r.y;
    for (const InkPiece& piece : m_pieces) {
        const QRect within = piece.bounds.intersected(rect);
        if (piece.kind == InkKind::speck || within.isEmpty())
            continue;
        top = std::min(top, within.top());
        bottom = std::max(bottom, within.bottom() + 1);
    }
    // Printed lines taken out: a ring's flat top or bottom among them.
    const cv::Rect lines = cv::boundingRect(m_data->lines(r));
    if (!lines.empty()) {
        top = std::min(top, r.y + lines.y);
        bottom = std::max(bottom, r.y + lines.y + lines.height);
    }
    return std::max(0, bottom - top);
}

bool PageInk::drawsBoxIn(const QRect& rect) const
{
    const cv::Rect r = onImage(rect, m_data->levelled);
    if (r.empty())
        return false;
    cv::Mat ink;
    cv::threshold(m_data->levelled(r), ink, kLevelledInk - 1, 255, cv::THRESH_BINARY_INV);
    if (!outlineInMask(ink, true).isEmpty())
        return true;
    // Or one piece of the ink there draws it, other print standing beside.
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(ink, labels, stats, centroids, 8, CV_32S);
    for (int i = 1; i < count; ++i) {
        const cv::Rect piece(stats.at<int>(i, cv::CC_STAT_LEFT), stats.at<int>(i, cv::CC_STAT_TOP),
                             stats.at<int>(i, cv::CC_STAT_WIDTH),
                             stats.at<int>(i, cv::CC_STAT_HEIGHT));
        if (piece.width < 8 || piece.height < 8 ||
            std::abs(piece.width - piece.height) > 0.3 * std::max(piece.width, piece.height))
            continue;
        const cv::Mat own = labels(piece) == i;
        if (!outlineInMask(own, true).isEmpty())
            return true;
    }
    return false;
}

QRect PageInk::printBandIn(const QRect& rect, double printHeight) const
{
    const cv::Rect r = onImage(rect, m_data->levelled);
    if (r.empty())
        return {};
    cv::Mat ink, rows;
    cv::threshold(m_data->levelled(r), ink, kLevelledInk - 1, 1, cv::THRESH_BINARY_INV);
    cv::reduce(ink, rows, 1, cv::REDUCE_SUM, CV_32S);
    double most = 0;
    cv::minMaxLoc(rows, nullptr, &most);
    // The longest run of rows well filled (the small letters), over gaps
    // no taller than the space inside a letter.
    const int gap = std::max(1, int(std::lround(0.15 * printHeight)));
    int bestTop = -1, bestBottom = -1, top = -1, last = -1;
    for (int y = 0; y < r.height; ++y) {
        if (rows.at<int>(y) < 0.15 * most)
            continue;
        if (top < 0 || y - last > gap)
            top = y;
        last = y;
        if (last - top > bestBottom - bestTop) {
            bestTop = top;
            bestBottom = last;
        }
    }
    if (bestTop < 0)
        return {};
    // Capitals, ascenders and descenders reach past the small letters'
    // rows, joined to them by ink in every row.
    while (bestTop > 0 && rows.at<int>(bestTop - 1) > 0)
        --bestTop;
    while (bestBottom + 1 < r.height && rows.at<int>(bestBottom + 1) > 0)
        ++bestBottom;
    // What lies outside the band is a speck at most, above and below.
    for (const cv::Rect outside :
         {cv::Rect(0, 0, r.width, bestTop),
          cv::Rect(0, bestBottom + 1, r.width, r.height - bestBottom - 1)}) {
        if (outside.empty())
            continue;
        const cv::Rect spread = cv::boundingRect(ink(outside));
        if (spread.width > 0.4 * printHeight || spread.height > 0.4 * printHeight)
            return {};
    }
    return QRect(r.x, r.y + bestTop, r.width, bestBottom - bestTop + 1);
}

int PageInk::penPixelsIn(const QRect& rect) const
{
    if (m_data->pen.empty())
        return 0;
    const cv::Rect r = onImage(rect, m_data->pen);
    return r.empty() ? 0 : cv::countNonZero(m_data->pen(r));
}

int PageInk::inkPixelsIn(const QRect& rect) const
{
    const cv::Rect r = onImage(rect, m_data->levelled);
    if (r.empty())
        return 0;
    cv::Mat ink;
    cv::threshold(m_data->levelled(r), ink, m_inkLevel - 1, 255, cv::THRESH_BINARY_INV);
    return cv::countNonZero(ink);
}

bool PageInk::inkEncloses(const QRect& within, const QRectF& label, double printHeight) const
{
    if (m_data->pen.empty())
        return false;
    const cv::Rect r = cv::Rect(within.x(), within.y(), within.width(), within.height()) &
                       cv::Rect(0, 0, m_data->pen.cols, m_data->pen.rows);
    // The label's middle band: recognition can stretch a word's box over
    // the ring drawn round it.
    const QRectF band(label.left(), label.center().y() - 0.2 * printHeight, label.width(),
                      0.4 * printHeight);
    const QRect inner = band.toAlignedRect().intersected(QRect(r.x, r.y, r.width, r.height));
    if (r.empty() || inner.isEmpty())
        return false;
    // A frame of paper round the ink, so that the flood from its corner
    // reaches everything outside the ring.
    // The label's own letters close round bits of paper of their own.
    cv::Mat ink, closed;
    cv::threshold(m_data->levelled(r), ink, m_inkLevel - 1, 255, cv::THRESH_BINARY_INV);
    const QRectF letters = label.adjusted(-2, -2, 2, 2);
    for (qsizetype k = 0; k < m_pieces.size(); ++k) {
        const QRect& b = m_pieces[k].bounds;
        if (m_pieces[k].kind != InkKind::print || !letters.contains(QRectF(b)))
            continue;
        const cv::Rect own = cv::Rect(b.x(), b.y(), b.width(), b.height()) & r;
        if (!own.empty())
            ink(own - r.tl()).setTo(0, m_data->labels(own) == int(k + 1));
    }
    const int gap = std::max(3, int(std::lround(0.25 * printHeight))) | 1;
    cv::morphologyEx(ink, closed, cv::MORPH_CLOSE,
                     cv::getStructuringElement(cv::MORPH_ELLIPSE, {gap, gap}));
    cv::Mat framed;
    cv::copyMakeBorder(closed, framed, 1, 1, 1, 1, cv::BORDER_CONSTANT, 0);
    cv::floodFill(framed, cv::Point(0, 0), 128);
    const cv::Mat box =
        framed(cv::Rect(inner.x() - r.x + 1, inner.y() - r.y + 1, inner.width(), inner.height()));
    // Inside is paper the flood did not reach; a label whose letters the
    // ring took into its own stroke is not inside it.
    return cv::countNonZero(box == 0) >= 0.5 * double(box.total());
}

QImage PageInk::withoutMarks(const QImage& grey, const QRect& rect, double printHeight) const
{
    const QRect r = rect.intersected(grey.rect());
    if (r.isEmpty() || grey.format() != QImage::Format_Grayscale8)
        return {};
    QImage out = grey.copy(r);
    if (m_data->labels.empty() || m_data->labels.size() != cv::Size(grey.width(), grey.height()))
        return out;
    const double h = std::max(6.0, printHeight);
    const cv::Rect area(r.x(), r.y(), r.width(), r.height());
    cv::Mat pixels(out.height(), out.width(), CV_8U, out.bits(), size_t(out.bytesPerLine()));
    pixels.setTo(255, m_data->lines(area));
    for (qsizetype i = 0; i < m_pieces.size(); ++i) {
        const InkPiece& piece = m_pieces[i];
        if (piece.kind == InkKind::pen && piece.bounds.intersects(r) &&
            (piece.bounds.height() >= 1.3 * h || piece.bounds.width() >= 2.5 * h))
            pixels.setTo(255, m_data->labels(area) == int(i + 1));
    }
    return out;
}
