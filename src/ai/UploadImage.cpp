#include "UploadImage.h"

#include "AIAnswerAnalysisService.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>

namespace {

[[noreturn]] void throwInvalidImage()
{
    throw OpenAIAnswerAnalysisError(OpenAIAnswerAnalysisError::Kind::invalidImage);
}

} // namespace

QSize uploadImageSize(QSize imageSize, int longestSide)
{
    const int width = imageSize.width();
    const int height = imageSize.height();
    const double scale = double(longestSide) / double(std::max({width, height, 1}));
    if (scale > 1)
        return QSize(std::max(1, width), std::max(1, height));
    return QSize(std::max(1, qRound(width * scale)), std::max(1, qRound(height * scale)));
}

QByteArray preparedUploadJPEG(const QUrl& fileURL, int longestSide, double quality)
{
    if (!fileURL.isLocalFile())
        throwInvalidImage();
    QImageReader reader(fileURL.toLocalFile());
    const QImage image = reader.read();
    if (image.isNull())
        throwInvalidImage();

    const QSize target = uploadImageSize(image.size(), longestSide);
    QImage canvas(target, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), target), image);
    }

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(qRound(quality * 100));
    if (!writer.write(canvas) || jpeg.isEmpty())
        throwInvalidImage();
    return jpeg;
}

QString jpegDataURL(const QByteArray& jpeg)
{
    return QStringLiteral("data:image/jpeg;base64,") + QString::fromLatin1(jpeg.toBase64());
}
