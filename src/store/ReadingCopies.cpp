#include "ReadingCopies.h"

#include "scanner/ScanSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <algorithm>
#include <limits>
#include <optional>
#include <zlib.h>

namespace {

constexpr double kInchesPerMetre = 1.0 / 0.0254;

quint32 bigEndian(const QByteArray& bytes, qsizetype at, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}

// A PNG's resolution as Qt's decoder sets it: a pHYs chunk in dots per
// metre before the image data, 0 for none. Nothing when the chunks can't
// be walked or the chunk's checksum fails (the decoder drops such a chunk).
std::optional<int> pngDotsPerMetre(QIODevice& file)
{
    if (file.read(8) != QByteArray("\x89PNG\r\n\x1a\n", 8))
        return std::nullopt;
    for (;;) {
        const QByteArray head = file.read(8);
        if (head.size() != 8)
            return std::nullopt;
        const quint32 length = bigEndian(head, 0, 4);
        const QByteArray type = head.mid(4);
        if (type == "IDAT")
            return 0;
        if (type != "pHYs") {
            if (length > quint32(std::numeric_limits<qint32>::max()) ||
                !file.seek(file.pos() + qint64(length) + 4))
                return std::nullopt;
            continue;
        }
        const QByteArray body = file.read(qint64(length) + 4);
        if (length != 9 || body.size() != 13)
            return std::nullopt;
        const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef*>(type.constData()), 4),
                                reinterpret_cast<const Bytef*>(body.constData()), 9);
        if (crc != bigEndian(body, 9, 4))
            return std::nullopt;
        const quint32 x = bigEndian(body, 0, 4);
        return body[8] == 1 ? int(std::min<quint32>(x, 0x7fffffff)) : 0;
    }
}

// A JPEG's resolution as Qt's decoder sets it: the JFIF density in dots per
// inch or per centimetre, the last such header before the scan, 0 for none.
// Nothing when the markers can't be walked.
std::optional<int> jpegDotsPerMetre(QIODevice& file)
{
    if (file.read(2) != QByteArray("\xff\xd8", 2))
        return std::nullopt;
    int dotsPerMetre = 0;
    for (;;) {
        char byte = 0;
        if (!file.getChar(&byte) || quint8(byte) != 0xff)
            return std::nullopt;
        while (quint8(byte) == 0xff)
            if (!file.getChar(&byte))
                return std::nullopt;
        const quint8 marker = quint8(byte);
        if (marker == 0xda || marker == 0xd9)
            return dotsPerMetre;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8))
            continue;
        const QByteArray size = file.read(2);
        if (size.size() != 2 || bigEndian(size, 0, 2) < 2)
            return std::nullopt;
        const QByteArray body = file.read(qint64(bigEndian(size, 0, 2)) - 2);
        if (body.size() != qsizetype(bigEndian(size, 0, 2)) - 2)
            return std::nullopt;
        if (marker != 0xe0 || body.size() < 14 || !body.startsWith(QByteArray("JFIF\0", 5)))
            continue;
        const quint8 unit = quint8(body[7]);
        const quint32 x = bigEndian(body, 8, 2);
        dotsPerMetre = x == 0      ? 0
                       : unit == 1 ? int(100. * x / 2.54)
                       : unit == 2 ? int(100. * x)
                                   : 0;
    }
}

// Whether a page file may hold more than the reading resolution. PNG and
// JPEG headers tell without decoding the page, which would cost as much
// as a good part of reading it; other files are decoded to find out.
bool mayBeFinerThanReading(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    std::optional<int> declared = pngDotsPerMetre(file);
    if (!declared && file.seek(0))
        declared = jpegDotsPerMetre(file);
    if (!declared)
        return true;
    // A file that declares none reads at the default resolution.
    const int dotsPerMetre =
        *declared > 0 ? *declared : QImage(1, 1, QImage::Format_Mono).dotsPerMeterX();
    return dotsPerMetre / kInchesPerMetre > kReadingResolution + 1;
}

std::optional<QUrl> readingCopy(const QString& path)
{
    if (!mayBeFinerThanReading(path))
        return std::nullopt;
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
