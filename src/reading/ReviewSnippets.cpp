#include "ReviewSnippets.h"

#include "PageImages.h"
#include "files/AtomicFile.h"
#include "files/FileError.h"
#include "model/ReviewCropFolder.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

QString reviewSnippetFolder(const CropPlacement& placement, const ScanPage& page)
{
    switch (placement.kind) {
    case CropPlacement::Kind::besidePages:
        return reviewCropFolderBeside(page.fileURL);
    case CropPlacement::Kind::inFolder:
        return placement.folder;
    case CropPlacement::Kind::nowhere:
        break;
    }
    return {};
}

QUrl reviewSnippetURL(const QString& folder, qint64 surveyNumber, qint64 pageNumber,
                      qint64 questionNumber)
{
    const QString name = QStringLiteral("survey-%1-page-%2-q-%3.png")
                             .arg(surveyNumber)
                             .arg(pageNumber)
                             .arg(questionNumber);
    return QUrl::fromLocalFile(QDir(folder).filePath(name));
}

QImage orientReviewSnippet(const QImage& crop)
{
    if (int(crop.width() * 1.35) < crop.height()) {
        if (const std::optional<QImage> turned = rotatedImage(crop, 1))
            return *turned;
    }
    return crop;
}

QRect snippetRect(const QImage& page, const QRectF& rect)
{
    return rect.toAlignedRect().intersected(page.rect());
}

QByteArray snippetPng(const QImage& page, const QRectF& rect)
{
    const QRect whole = snippetRect(page, rect);
    if (whole.isEmpty())
        return {};
    const QImage crop = orientReviewSnippet(page.copy(whole));
    if (crop.isNull())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    // Quality 80 is zlib's fastest level: crops are many and small, and the
    // default level spends several times the time for a little less space.
    if (!crop.save(&buffer, "PNG", 80))
        return {};
    return png;
}

QByteArray pageOverviewPng(const QUrl& pageFile)
{
    QImageReader reader(pageFile.toLocalFile());
    const QSize size = reader.size();
    constexpr int kLonger = 1400;
    if (size.isValid() && std::max(size.width(), size.height()) > kLonger)
        reader.setScaledSize(size.scaled(kLonger, kLonger, Qt::KeepAspectRatio));
    const QImage page = reader.read();
    if (page.isNull())
        return {};
    return snippetPng(page, QRectF(page.rect()));
}

QString writeSnippetFile(const QUrl& location, const QByteArray& png)
{
    if (png.isEmpty())
        return {};
    try {
        writeFileAtomically(location.toLocalFile(), png);
    } catch (const FileError& error) {
        return error.description();
    }
    return {};
}
