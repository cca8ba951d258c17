#include "ApproximateReviewCrop.h"

#include "files/AtomicFile.h"
#include "files/FileError.h"
#include "reading/ReviewSnippets.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QRectF>
#include <algorithm>
#include <cmath>

QRect approximateCropRect(QSize pageSize, qint64 questionNumber,
                          const QList<qint64>& visibleQuestionNumbers, qint64 templateFieldCount)
{
    QList<qint64> visible = visibleQuestionNumbers;
    std::sort(visible.begin(), visible.end());
    visible.erase(std::unique(visible.begin(), visible.end()), visible.end());

    const qsizetype position = visible.indexOf(questionNumber);
    const qint64 index = position >= 0 ? position : std::max<qint64>(questionNumber - 1, 0);
    const qint64 slotCount = std::max<qint64>({qint64(visible.size()), templateFieldCount, 1});

    const double width = pageSize.width();
    const double height = pageSize.height();
    QRectF band;
    if (width > std::trunc(height * 1.18)) {
        const double bandWidth = width / double(slotCount);
        band = QRectF(double(index) * bandWidth, 0, bandWidth, height).adjusted(-80, -32, 80, 32);
    } else {
        const double bandHeight = height / double(slotCount);
        band = QRectF(0, double(index) * bandHeight, width, bandHeight).adjusted(-32, -80, 32, 80);
    }
    const QRectF clipped = band.intersected(QRectF(0, 0, width, height));
    if (clipped.isEmpty())
        return {};
    const int left = int(std::floor(clipped.left()));
    const int top = int(std::floor(clipped.top()));
    const int right = int(std::ceil(clipped.right()));
    const int bottom = int(std::ceil(clipped.bottom()));
    return QRect(left, top, right - left, bottom - top);
}

std::optional<QUrl> approximateReviewCropURL(const ScanPage& page, qint64 questionNumber,
                                             const QList<qint64>& visibleQuestionNumbers,
                                             qint64 templateFieldCount, const QString& folder)
{
    if (!page.fileURL.isLocalFile())
        return std::nullopt;
    QImageReader reader(page.fileURL.toLocalFile());
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    const QRect rect = approximateCropRect(image.size(), questionNumber, visibleQuestionNumbers,
                                           templateFieldCount);
    if (rect.isEmpty())
        return std::nullopt;
    const QImage crop = orientReviewSnippet(image.copy(rect));
    if (crop.isNull())
        return std::nullopt;

    const QString path = QDir(folder).filePath(QStringLiteral("ai-survey-%1-page-%2-q-%3.png")
                                                   .arg(page.surveyNumber)
                                                   .arg(page.pageNumber)
                                                   .arg(questionNumber));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!crop.save(&buffer, "PNG"))
        return std::nullopt;
    try {
        writeFileAtomically(path, png);
    } catch (const FileError&) {
        return std::nullopt; // the item then shows the whole page
    }
    return QUrl::fromLocalFile(path);
}
