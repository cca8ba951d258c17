#include "PageImport.h"

#include "PdfPages.h"
#include "ScannerService.h"
#include "model/NaturalOrder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <algorithm>

namespace {

using Kind = ScannerServiceError::Kind;

const QStringList kImageSuffixes = {
    QStringLiteral("png"),  QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("tif"),
    QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("pnm"),  QStringLiteral("pgm"),
    QStringLiteral("ppm"),  QStringLiteral("pbm")};
constexpr double kPdfDpi = 300.0;

bool isPdf(const QString& path)
{
    return QFileInfo(path).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) == 0;
}

bool isImportable(const QString& path)
{
    return isPdf(path) || kImageSuffixes.contains(QFileInfo(path).suffix().toLower());
}

void sortNaturally(QStringList& paths)
{
    std::stable_sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        return naturalLess(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    });
}

void writeAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw ScannerServiceError(
            Kind::platform,
            QStringLiteral("The page could not be saved to %1: %2").arg(path, file.errorString()));
}

void writeImage(const QString& path, const QImage& image)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
        throw ScannerServiceError(
            Kind::platform,
            QStringLiteral("The page could not be saved to %1: %2").arg(path, file.errorString()));
}

[[noreturn]] void unreadable(const QString& path)
{
    throw ScannerServiceError(
        Kind::platform,
        QStringLiteral("%1 could not be read as an image or PDF.").arg(QFileInfo(path).fileName()));
}

} // namespace

QStringList expandImportInputs(const QStringList& inputs)
{
    QStringList files;
    for (const QString& input : inputs) {
        const QFileInfo info(input);
        if (info.isDir()) {
            QStringList inside;
            for (const QFileInfo& entry : QDir(input).entryInfoList(QDir::Files, QDir::NoSort))
                if (isImportable(entry.filePath()))
                    inside.append(entry.absoluteFilePath());
            sortNaturally(inside);
            files += inside;
        } else if (info.isFile()) {
            files.append(info.absoluteFilePath());
        } else {
            throw ScannerServiceError(Kind::platform,
                                      QStringLiteral("%1 does not exist.").arg(input));
        }
    }
    return files;
}

QStringList importPages(const QStringList& files, const QString& folder, const QString& stem,
                        const std::atomic<bool>& canceled)
{
    QDir().mkpath(folder);
    QStringList written;
    const auto next = [&](const QString& suffix) {
        return QDir(folder).filePath(
            QStringLiteral("%1-%2.%3").arg(stem).arg(written.size() + 1).arg(suffix));
    };
    for (const QString& path : files) {
        if (canceled)
            throw ScannerServiceError(Kind::scanCanceled);
        if (isPdf(path)) {
            try {
                renderPdfPages(path, kPdfDpi, [&](int, int, const QImage& page) {
                    if (canceled)
                        throw ScannerServiceError(Kind::scanCanceled);
                    const QString target = next(QStringLiteral("png"));
                    writeImage(target, page);
                    written.append(target);
                });
            } catch (const PdfPagesError&) {
                unreadable(path);
            }
            continue;
        }
        // Images are copied byte for byte: the reader sees what the copier made.
        QImageReader reader(path);
        if (!reader.canRead())
            unreadable(path);
        QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix.isEmpty())
            suffix = QString::fromLatin1(reader.format());
        const QString target = next(suffix);
        copyFileAtomically(path, target);
        written.append(target);
    }
    return written;
}

void copyFileAtomically(const QString& source, const QString& target)
{
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        throw ScannerServiceError(
            Kind::platform,
            QStringLiteral("%1 could not be read: %2").arg(source, input.errorString()));
    writeAtomically(target, input.readAll());
}
