#include "store/ReadingCopies.h"

#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

// The resolution Qt's decoder gives the file, in dots per inch.
double decodedDpi(const QString& path)
{
    return QImage(path).dotsPerMeterX() * 0.0254;
}

QString writePage(const QTemporaryDir& dir, const QString& name, double dpi)
{
    QImage image(60, 40, QImage::Format_Grayscale8);
    image.fill(200);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path));
    return path;
}

void patch(const QString& path, qsizetype at, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray all = file.readAll();
    all.replace(at, bytes.size(), bytes);
    file.seek(0);
    file.write(all);
}

qsizetype jfifAt(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().indexOf(QByteArray("JFIF\0", 5)) : -1;
}

// A page finer than 300 dpi is read from a copy, others from their own
// file: decided from the header where there is one to read, and always as
// decoding the file would decide.
TEST(ReadingCopies, ArePlannedFromTheResolutionTheDecoderWouldGive)
{
    QTemporaryDir dir;
    QStringList files;
    for (const char* suffix : {"png", "jpg"})
        for (const double dpi : {150.0, 300.0, 301.5, 302.0, 600.0})
            files.append(writePage(dir, QStringLiteral("p%1.%2").arg(dpi).arg(suffix), dpi));

    // JFIF density in dots per centimetre (240: 610 dpi, 100: 254 dpi), or
    // in no unit at all.
    for (const auto& [name, unit, density] :
         {std::tuple{"cm-fine.jpg", 2, 240}, std::tuple{"cm-plain.jpg", 2, 100},
          std::tuple{"no-unit.jpg", 0, 600}}) {
        const QString path = writePage(dir, QString::fromLatin1(name), 72);
        const qsizetype jfif = jfifAt(path);
        ASSERT_GT(jfif, 0);
        const char fields[] = {char(unit), char(density >> 8), char(density & 0xff),
                               char(density >> 8), char(density & 0xff)};
        patch(path, jfif + 7, QByteArray(fields, sizeof fields));
        files.append(path);
    }
    // A resolution chunk whose checksum fails is dropped by the decoder.
    const QString broken = writePage(dir, QStringLiteral("bad-checksum.png"), 600);
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const qsizetype phys = file.readAll().indexOf("pHYs");
        ASSERT_GT(phys, 0);
        patch(broken, phys + 4 + 9, QByteArray(4, '\0'));
    }
    files.append(broken);
    if (QImageWriter::supportedImageFormats().contains("tiff"))
        files.append(writePage(dir, QStringLiteral("fine.tif"), 600));

    int copies = 0;
    for (const QString& path : files) {
        const QUrl read = readingFileFor(QUrl::fromLocalFile(path));
        const bool copied = read != QUrl::fromLocalFile(path);
        copies += copied;
        EXPECT_EQ(copied, decodedDpi(path) > 301) << path.toStdString();
        if (copied) {
            EXPECT_NEAR(decodedDpi(read.toLocalFile()), 300, 0.5) << path.toStdString();
        }
    }
    EXPECT_GE(copies, 3);
}

TEST(ReadingCopies, FilesThatAreNoPictureAreReadAsTheyAre)
{
    QTemporaryDir dir;
    for (const QByteArray& bytes :
         {QByteArray("\x89PNG\r\n\x1a\n\0\0", 10), QByteArray("\xff\xd8\xff", 3),
          QByteArray("\xff\xd8\xff\xe0\0\x01", 6), QByteArray("no picture at all")}) {
        const QString path = dir.filePath(QStringLiteral("page.png"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        EXPECT_EQ(readingFileFor(QUrl::fromLocalFile(path)), QUrl::fromLocalFile(path));
    }
}

} // namespace
