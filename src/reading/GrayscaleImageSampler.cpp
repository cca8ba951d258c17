#include "GrayscaleImageSampler.h"

#include "PageGeometry.h"

#include <algorithm>
#include <cstring>

std::optional<GrayscaleImageSampler> GrayscaleImageSampler::fromImage(const QImage& image)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return std::nullopt;
    QImage grey;
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        if (flat.isNull())
            return std::nullopt;
        flat.fill(Qt::white);
        const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < flat.height(); ++y) {
            const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            QRgb* out = reinterpret_cast<QRgb*>(flat.scanLine(y));
            for (int x = 0; x < flat.width(); ++x) {
                const int white = 255 - qAlpha(in[x]);
                out[x] = qRgb(qRed(in[x]) + white, qGreen(in[x]) + white, qBlue(in[x]) + white);
            }
        }
        grey = flat.convertToFormat(QImage::Format_Grayscale8);
    } else {
        grey = image.convertToFormat(QImage::Format_Grayscale8);
    }
    if (grey.isNull())
        return std::nullopt;
    GrayscaleImageSampler sampler;
    sampler.width = grey.width();
    sampler.height = grey.height();
    sampler.pixels = QByteArray(qsizetype(sampler.width * sampler.height), char(255));
    for (int y = 0; y < grey.height(); ++y)
        std::memcpy(sampler.pixels.data() + qsizetype(y) * sampler.width, grey.constScanLine(y),
                    size_t(sampler.width));
    return sampler;
}
