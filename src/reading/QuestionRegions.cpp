#include "QuestionRegions.h"

#include "QuestionAnchors.h"

#include <algorithm>
#include <cmath>

namespace {
struct Spread
{
    double smallest = 0;
    double largest = 0;
};

template <typename Edge> Spread spreadOf(const QList<QuestionAnchor>& anchors, Edge edge)
{
    Spread spread{edge(anchors.first()), edge(anchors.first())};
    for (const QuestionAnchor& anchor : anchors) {
        spread.smallest = std::min(spread.smallest, edge(anchor));
        spread.largest = std::max(spread.largest, edge(anchor));
    }
    return spread;
}
} // namespace

bool isHorizontalQuestionFlow(const QList<QuestionAnchor>& anchors, const QSizeF& page)
{
    if (anchors.size() < 3)
        return false;
    const Spread xs = spreadOf(anchors, [](const QuestionAnchor& a) { return a.bounds.left(); });
    const Spread ys = spreadOf(anchors, [](const QuestionAnchor& a) { return a.bounds.top(); });
    double spreadX = xs.largest - xs.smallest;
    if (page.width() > 1)
        spreadX /= page.width();
    const double spreadY = (ys.largest - ys.smallest) / std::max(1.0, page.height());
    return spreadX > std::max(0.18, 1.35 * spreadY);
}

QList<QRectF> makeQuestionRects(const QSizeF& page, qint64 count)
{
    QList<QRectF> rows;
    if (count <= 0)
        return rows;
    const double width = page.width();
    const double height = page.height();
    const double usable = std::max(1.0, height - 0.06 * height - 0.03 * height);
    const double rowHeight = usable / double(count);
    for (qint64 i = 0; i < count; ++i)
        rows.append(
            QRectF(0.04 * width, 0.06 * height + double(i) * rowHeight, 0.92 * width, rowHeight));
    return rows;
}

QList<QuestionRegion> makeQuestionRegions(const QList<RecognizedTextBlock>& blocks,
                                          const QSizeF& page, qint64 questionCount,
                                          qint64 fallbackQuestionCount)
{
    QList<QuestionRegion> regions;
    QList<QuestionAnchor> anchors = detectQuestionAnchors(blocks, questionCount);
    if (anchors.isEmpty()) {
        const QList<QRectF> rows = makeQuestionRects(page, fallbackQuestionCount);
        for (qsizetype i = 0; i < rows.size(); ++i)
            regions.append({qint64(i + 1), QString(), rows[i]});
        return regions;
    }
    const bool horizontal = isHorizontalQuestionFlow(anchors, page);
    std::stable_sort(anchors.begin(), anchors.end(),
                     [horizontal](const QuestionAnchor& a, const QuestionAnchor& b) {
                         if (horizontal) {
                             if (std::abs(a.bounds.left() - b.bounds.left()) > 12)
                                 return a.bounds.left() < b.bounds.left();
                             return a.questionNumber < b.questionNumber;
                         }
                         if (std::abs(a.bounds.top() - b.bounds.top()) <= 12)
                             return a.questionNumber < b.questionNumber;
                         return a.bounds.top() < b.bounds.top();
                     });
    const double width = page.width();
    const double height = page.height();
    for (qsizetype i = 0; i < anchors.size(); ++i) {
        const QuestionAnchor& anchor = anchors[i];
        const bool last = i + 1 == anchors.size();
        QRectF rect;
        if (horizontal) {
            const double left = std::max(0.0, anchor.bounds.left() - 8);
            const double limit = last ? 0.97 * width : anchors[i + 1].bounds.left();
            const double right = std::min(width, std::max(anchor.bounds.right() + 24, limit - 8));
            rect =
                QRectF(left, 0.035 * height, std::max(0.035 * width, right - left), 0.93 * height);
        } else {
            const double top = std::max(0.0, anchor.bounds.top() - 8);
            const double limit = last ? 0.97 * height : anchors[i + 1].bounds.top();
            const double bottom =
                std::min(height, std::max(anchor.bounds.bottom() + 24, limit - 8));
            rect = QRectF(0.035 * width, top, 0.93 * width, std::max(0.035 * height, bottom - top));
        }
        regions.append({anchor.questionNumber, anchor.questionText, rect});
    }
    return regions;
}
