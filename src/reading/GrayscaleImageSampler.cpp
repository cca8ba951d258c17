#include "GrayscaleImageSampler.h"

#include "PageGeometry.h"
#include "PageImages.h"

#include <algorithm>
#include <cstring>

std::optional<GrayscaleImageSampler> GrayscaleImageSampler::fromImage(const QImage& image)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return std::nullopt;
    const QImage grey = onWhitePaper(image).convertToFormat(QImage::Format_Grayscale8);
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
