#pragma once

#include "ReadingTypes.h"

#include <QByteArray>
#include <QImage>
#include <optional>

// An 8-bit grey copy of a page, white where the page is transparent.
// pixels[y * width + x] is the luminance at page pixel (x, y).
struct GrayscaleImageSampler
{
    qint64 width = 0;
    qint64 height = 0;
    QByteArray pixels;

    // Nothing for an image without pixels or when the raster can't be made.
    static std::optional<GrayscaleImageSampler> fromImage(const QImage& image);

    int luminance(qint64 x, qint64 y) const
    {
        return static_cast<unsigned char>(pixels[qsizetype(y * width + x)]);
    }
};
