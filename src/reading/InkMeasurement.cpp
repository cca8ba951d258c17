#include "InkMeasurement.h"

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

namespace {
// Below this a uniform area is solid ink, not paper.
constexpr int kSolidInkLuminance = 128;
} // namespace

std::optional<int> adaptiveInkThreshold(QList<int> samples)
{
    if (samples.size() <= 3)
        return std::nullopt;
    std::sort(samples.begin(), samples.end());
    const int mid = samples[samples.size() / 2];
    const int dark10 = samples[samples.size() / 10];
    const int spread = mid - dark10;
    if (spread <= 9) {
        // A check box filled solid leaves more dark samples than light ones;
        // reading it as "no ink" would turn the clearest mark into a blank.
        if (mid < kSolidInkLuminance)
            return kSolidInkLuminance;
        return std::nullopt;
    }
    const int offset = std::clamp(spread / 2, 18, 42);
    return std::max(0, mid - offset);
}

namespace {
struct GridSample
{
    qint64 x;
    qint64 y;
    int luminance;
};

// Samples the inclusive box [x0, x1] x [y0, y1] every step pixels.
QList<GridSample> sampleGrid(const GrayscaleImageSampler& sampler, qint64 x0, qint64 x1, qint64 y0,
                             qint64 y1, qint64 step, const QList<QRectF>& excluded)
{
    QList<GridSample> samples;
    for (qint64 y = y0; y <= y1; y += step) {
        for (qint64 x = x0; x <= x1; x += step) {
            const QPointF point{double(x), double(y)};
            if (std::any_of(excluded.begin(), excluded.end(),
                            [&](const QRectF& r) { return geometry::contains(r, point); }))
                continue;
            const qint64 sx = std::min(x, sampler.width - 1);
            const qint64 sy = std::min(y, sampler.height - 1);
            samples.append({x, y, sampler.luminance(sx, sy)});
        }
    }
    return samples;
}

QList<int> luminances(const QList<GridSample>& samples)
{
    QList<int> values;
    values.reserve(samples.size());
    for (const GridSample& sample : samples)
        values.append(sample.luminance);
    return values;
}
} // namespace

double inkDensity(const QRectF& rect, const GrayscaleImageSampler& sampler,
                  const QList<QRectF>& excluded)
{
    const qint64 x0 = std::max<qint64>(0, qint64(rect.left()));
    const qint64 x1 = std::min<qint64>(sampler.width - 1, qint64(rect.right()));
    const qint64 y0 = std::max<qint64>(0, qint64(rect.top()));
    const qint64 y1 = std::min<qint64>(sampler.height - 1, qint64(rect.bottom()));
    if (x1 <= x0 || y1 <= y0)
        return 0;
    const qint64 step = std::max<qint64>(1, std::min((x1 - x0) / 36, (y1 - y0) / 18));
    const QList<GridSample> samples = sampleGrid(sampler, x0, x1, y0, y1, step, excluded);
    const std::optional<int> threshold = adaptiveInkThreshold(luminances(samples));
    if (!threshold)
        return 0;
    const auto dark = std::count_if(samples.begin(), samples.end(),
                                    [&](const GridSample& s) { return s.luminance < *threshold; });
    return double(dark) / double(samples.size());
}

std::optional<UnreadInkSignal> detectUnreadInk(const GrayscaleImageSampler& sampler,
                                               const QRectF& regionRect,
                                               const QList<QRectF>& excluded)
{
    const qint64 x0 = std::max<qint64>(0, qint64(regionRect.left() + 8));
    const qint64 x1 = std::min<qint64>(sampler.width - 1, qint64(regionRect.right() - 8));
    const qint64 y0 = std::max<qint64>(0, qint64(regionRect.top() + 8));
    const qint64 y1 = std::min<qint64>(sampler.height - 1, qint64(regionRect.bottom() - 8));
    if (x1 <= x0 || y1 <= y0)
        return std::nullopt;
    const qint64 areaW = x1 - x0;
    const qint64 areaH = y1 - y0;
    const QRectF page = geometry::imageBounds(double(sampler.width), double(sampler.height));
    QList<QRectF> grownExcluded;
    for (const QRectF& rect : excluded)
        grownExcluded.append(geometry::intersection(geometry::grown(rect, 12), page));
    const qint64 step = std::max<qint64>(1, std::min(areaW / 240, areaH / 80));
    const QList<GridSample> samples = sampleGrid(sampler, x0, x1, y0, y1, step, grownExcluded);
    const std::optional<int> threshold = adaptiveInkThreshold(luminances(samples));
    if (!threshold)
        return std::nullopt;
    qint64 darkCount = 0;
    qint64 minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const GridSample& s : samples) {
        if (s.luminance >= *threshold)
            continue;
        if (darkCount == 0) {
            minX = maxX = s.x;
            minY = maxY = s.y;
        } else {
            minX = std::min(minX, s.x);
            maxX = std::max(maxX, s.x);
            minY = std::min(minY, s.y);
            maxY = std::max(maxY, s.y);
        }
        ++darkCount;
    }
    if (darkCount == 0)
        return std::nullopt;
    const qint64 inkW = maxX - minX;
    const qint64 inkH = maxY - minY;
    const double inkRatio = double(darkCount) / double(samples.size());
    const bool wide = areaW <= 287 ? inkW >= 19 : inkW > areaW / 16;
    const bool tall = areaH < 80 ? inkH > 10 : inkH > areaH / 8;
    if (darkCount < 18 || inkRatio <= 0.0028 || !(wide || tall))
        return std::nullopt;
    return UnreadInkSignal{inkRatio, std::min(0.92, 0.35 + 80.0 * inkRatio),
                           QRectF(double(minX), double(minY), double(std::max<qint64>(1, inkW)),
                                  double(std::max<qint64>(1, inkH)))};
}

std::optional<UnreadInkSignal> detectUnreadInk(const QImage& image, const QRectF& regionRect,
                                               const QList<QRectF>& excluded)
{
    const std::optional<GrayscaleImageSampler> sampler = GrayscaleImageSampler::fromImage(image);
    if (!sampler)
        return std::nullopt;
    return detectUnreadInk(*sampler, regionRect, excluded);
}
