#include "ReviewSnippets.h"

#include "PageImages.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <QSaveFile>

QString reviewSnippetFolder()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("VuridiVedorazReview"));
}

QUrl reviewSnippetURL(qint64 surveyNumber, qint64 pageNumber, qint64 questionNumber)
{
    const QString name = QStringLiteral("survey-%1-page-%2-q-%3.png")
                             .arg(surveyNumber)
                             .arg(pageNumber)
                             .arg(questionNumber);
    return QUrl::fromLocalFile(QDir(reviewSnippetFolder()).filePath(name));
}

QImage orientReviewSnippet(const QImage& crop)
{
    if (int(crop.width() * 1.35) < crop.height()) {
        if (const std::optional<QImage> turned = rotatedImage(crop, 1))
            return *turned;
    }
    return crop;
}

QByteArray snippetPng(const QImage& page, const QRectF& rect)
{
    const QRect whole = rect.toAlignedRect().intersected(page.rect());
    if (whole.isEmpty())
        return {};
    const QImage crop = orientReviewSnippet(page.copy(whole));
    if (crop.isNull())
        return {};
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!crop.save(&buffer, "PNG"))
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

bool writeSnippetFile(const QUrl& location, const QByteArray& png)
{
    if (png.isEmpty())
        return false;
    const QString path = location.toLocalFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(png) != png.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QUrl writeSnippet(const QImage& page, const ScanPage& scanPage, const QRectF& rect,
                  qint64 questionNumber)
{
    const QUrl location =
        reviewSnippetURL(scanPage.surveyNumber, scanPage.pageNumber, questionNumber);
    writeSnippetFile(location, snippetPng(page, rect));
    return location;
}
