#include "ReadingCopies.h"

#include "scanner/ScanSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>

namespace {

constexpr double kInchesPerMetre = 1.0 / 0.0254;

std::optional<QUrl> readingCopy(const QString& path)
{
    QImage image;
    if (!QImageReader(path).read(&image) || image.dotsPerMeterX() <= 0)
        return std::nullopt;
    const double dpi = image.dotsPerMeterX() / kInchesPerMetre;
    if (dpi <= kReadingResolution + 1)
        return std::nullopt;
    const double scale = kReadingResolution / dpi;
    QImage copy = image.scaled(qMax(1, qRound(image.width() * scale)),
                               qMax(1, qRound(image.height() * scale)), Qt::IgnoreAspectRatio,
                               Qt::SmoothTransformation);
    const int dotsPerMetre = qRound(kReadingResolution * kInchesPerMetre);
    copy.setDotsPerMeterX(dotsPerMetre);
    copy.setDotsPerMeterY(dotsPerMetre);

    const QFileInfo original(path);
    const QString folder = original.dir().filePath(QStringLiteral("reading-300dpi"));
    const QString target =
        QDir(folder).filePath(original.completeBaseName() + QStringLiteral(".png"));
    QSaveFile file(target);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || !copy.save(&file, "PNG") ||
        !file.commit())
        return std::nullopt;
    return QUrl::fromLocalFile(target);
}

} // namespace

QUrl readingFileFor(const QUrl& file)
{
    if (file.isLocalFile())
        if (const auto copy = readingCopy(file.toLocalFile()))
            return *copy;
    return file;
}

QList<ScanPage> pagesForReading(const QList<ScanPage>& pages)
{
    QList<ScanPage> result = pages;
    for (ScanPage& page : result)
        page.fileURL = readingFileFor(page.fileURL);
    return result;
}
