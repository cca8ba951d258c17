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

// The luminance below which a sample counts as ink, or nothing when there are
// too few samples or the area is uniform.
std::optional<int> adaptiveInkThreshold(QList<int> samples);

// Share of dark samples on a sparse grid (about 37 x 19 points) over the
// rectangle, skipping points inside the excluded rectangles.
double inkDensity(const QRectF& rect, const GrayscaleImageSampler& sampler,
                  const QList<QRectF>& excluded = {});

// Ink in the region (shrunk by 8 pixels) that lies away from the excluded
// rectangles (grown by 12 pixels): handwriting or stray marks.
std::optional<UnreadInkSignal> detectUnreadInk(const GrayscaleImageSampler& sampler,
                                               const QRectF& regionRect,
                                               const QList<QRectF>& excluded);
std::optional<UnreadInkSignal> detectUnreadInk(const QImage& image, const QRectF& regionRect,
                                               const QList<QRectF>& excluded);
