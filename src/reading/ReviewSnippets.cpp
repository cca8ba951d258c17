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
#include <csetjmp>
#include <memory>
#include <png.h>

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

namespace {
void appendToBuffer(png_structp png, png_bytep data, size_t size)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(size));
}

void flushNothing(png_structp) {}

// Grey and RGB32 images as PNG straight through libpng, with one filter
// for every row and zlib's fastest level: Qt's writer tries every filter
// on every row, which on scanned paper costs more time than it saves
// space. Empty for other formats or on failure.
QByteArray quickPng(const QImage& image)
{
    const bool grey = image.format() == QImage::Format_Grayscale8;
    if (!grey && image.format() != QImage::Format_RGB32)
        return {};
    const auto bytes = std::make_unique<QByteArray>();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return {};
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, bytes.get(), appendToBuffer, flushNothing);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                 grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Up: each row against the one above, which suits print and paper.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    if (!grey) {
        // RGB32 holds each pixel as one word 0xffRRGGBB.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
#else
        png_set_filler(png, 0, PNG_FILLER_BEFORE);
#endif
    }
    for (int y = 0; y < image.height(); ++y)
        png_write_row(png, image.constScanLine(y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return *bytes;
}
} // namespace

QByteArray snippetPng(const QImage& page, const QRectF& rect)
{
    const QRect whole = snippetRect(page, rect);
    if (whole.isEmpty())
        return {};
    const QImage crop = orientReviewSnippet(page.copy(whole));
    if (crop.isNull())
        return {};
    if (QByteArray quick = quickPng(crop); !quick.isEmpty())
        return quick;
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
