#include "PageDegradation.h"

#include <QBuffer>
#include <QPainter>
#include <QRandomGenerator>
#include <QTransform>
#include <cmath>

QImage skewed(const QImage& page, double degrees)
{
    if (qFuzzyIsNull(degrees))
        return page;
    QImage result(page.size(), QImage::Format_RGB32);
    result.fill(Qt::white);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(page.width() / 2.0, page.height() / 2.0);
    painter.rotate(degrees);
    painter.translate(-page.width() / 2.0, -page.height() / 2.0);
    painter.drawImage(0, 0, page);
    painter.end();
    return result.convertToFormat(page.format());
}

namespace {

// A small fast generator for per-pixel grain (xorshift32).
struct Grain
{
    quint32 state;
    int next(int range)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return int((quint64(state) * quint32(range)) >> 32);
    }
};

// One pass of a separable kernel along rows or along columns.
void convolve(QImage& image, const QList<int>& weights, bool alongRows)
{
    const int channels = image.depth() / 8;
    const int radius = int(weights.size() / 2);
    const int length = alongRows ? image.width() : image.height();
    const int lines = alongRows ? image.height() : image.width();
    const qsizetype stride = alongRows ? channels : image.bytesPerLine();
    QList<int> source(length);
    for (int line = 0; line < lines; ++line) {
        uchar* first = alongRows ? image.scanLine(line) : image.bits() + qsizetype(line) * channels;
        for (int c = 0; c < channels; ++c) {
            for (int i = 0; i < length; ++i)
                source[i] = first[i * stride + c];
            for (int i = 0; i < length; ++i) {
                int sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += weights[k + radius] * source[qBound(0, i + k, length - 1)];
                first[i * stride + c] = uchar(qBound(0, (sum + 512) >> 10, 255));
            }
        }
    }
}

} // namespace

QImage withSensorNoise(const QImage& page, double amount, quint32 seed)
{
    if (amount <= 0)
        return page;
    const bool grey = page.format() == QImage::Format_Grayscale8;
    QImage image = grey ? page.copy() : page.convertToFormat(QImage::Format_RGB32);
    QRandomGenerator random(seed);
    Grain grain{random.generate() | 1u};
    const int paper = 255 - int(14 * amount);
    const int range = qMax(1, int(18 * amount));
    const int channels = grey ? 1 : 4;
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            // The same grain in every channel keeps the paper's tint.
            const int noise = grain.next(range) - range / 2;
            for (int c = 0; c < qMin(channels, 3); ++c) {
                uchar& value = row[x * channels + c];
                value = uchar(qBound(0, value * paper / 255 + noise, 255));
            }
        }
    }
    const qint64 area = qint64(image.width()) * image.height();
    const int specks = int(area / 45000.0 * amount);
    for (int i = 0; i < specks; ++i) {
        const int cx = random.bounded(image.width());
        const int cy = random.bounded(image.height());
        const int radius = 1 + random.bounded(2);
        const int shade = 40 + random.bounded(90);
        for (int y = qMax(0, cy - radius); y <= qMin(image.height() - 1, cy + radius); ++y) {
            uchar* row = image.scanLine(y);
            for (int x = qMax(0, cx - radius); x <= qMin(image.width() - 1, cx + radius); ++x) {
                for (int c = 0; c < qMin(channels, 3); ++c)
                    row[x * channels + c] = uchar(qMin<int>(row[x * channels + c], shade));
            }
        }
    }
    return image.convertToFormat(page.format());
}

QImage withScannerNoise(const QImage& page, double amount, quint32 seed)
{
    if (amount <= 0)
        return page;
    QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
    QRandomGenerator random(seed);
    const int paper = 255 - int(14 * amount);
    const int grain = qMax(1, int(18 * amount));
    for (int y = 0; y < grey.height(); ++y) {
        uchar* row = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x) {
            const int scaled = row[x] * paper / 255;
            const int value = scaled + random.bounded(grain) - grain / 2;
            row[x] = uchar(qBound(0, value, 255));
        }
    }
    // Dust: small dark specks, about one per square centimetre at full noise.
    const qint64 area = qint64(grey.width()) * grey.height();
    const int specks = int(area / 45000.0 * amount);
    for (int i = 0; i < specks; ++i) {
        const int cx = random.bounded(grey.width());
        const int cy = random.bounded(grey.height());
        const int radius = 1 + random.bounded(2);
        const int shade = 40 + random.bounded(90);
        for (int y = qMax(0, cy - radius); y <= qMin(grey.height() - 1, cy + radius); ++y) {
            for (int x = qMax(0, cx - radius); x <= qMin(grey.width() - 1, cx + radius); ++x)
                grey.scanLine(y)[x] = uchar(qMin<int>(grey.scanLine(y)[x], shade));
        }
    }
    return grey.convertToFormat(page.format());
}

QImage blurred(const QImage& page, double sigma)
{
    if (sigma <= 0.05)
        return page;
    QImage image = page.format() == QImage::Format_Grayscale8
                       ? page.copy()
                       : page.convertToFormat(QImage::Format_RGB32);
    const int radius = qBound(1, int(std::ceil(2.5 * sigma)), 4);
    QList<double> gauss;
    double total = 0;
    for (int k = -radius; k <= radius; ++k) {
        gauss.append(std::exp(-k * k / (2 * sigma * sigma)));
        total += gauss.last();
    }
    QList<int> weights;
    for (double g : gauss)
        weights.append(qRound(1024 * g / total));
    convolve(image, weights, true);
    convolve(image, weights, false);
    return image.convertToFormat(page.format());
}

QImage unevenlyLit(const QImage& page, double amount, quint32 seed)
{
    if (amount <= 0)
        return page;
    QRandomGenerator random(seed);
    // Brightest where the lamp is closest; falls off along both axes.
    const double cx = random.generateDouble(), cy = random.generateDouble();
    const double share = random.generateDouble();
    const double ax = amount * share, ay = amount * (1 - share);
    QList<double> fx(page.width()), fy(page.height());
    for (int x = 0; x < page.width(); ++x)
        fx[x] = 1 - ax * std::pow(std::abs(double(x) / page.width() - cx), 1.6);
    for (int y = 0; y < page.height(); ++y)
        fy[y] = 1 - ay * std::pow(std::abs(double(y) / page.height() - cy), 1.6);
    QImage image = page.format() == QImage::Format_Grayscale8
                       ? page.copy()
                       : page.convertToFormat(QImage::Format_RGB32);
    const int channels = image.depth() / 8;
    for (int y = 0; y < image.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const int factor = int(1024 * fx[x] * fy[y]);
            for (int c = 0; c < qMin(channels, 3); ++c)
                row[x * channels + c] = uchar((row[x * channels + c] * factor) >> 10);
        }
    }
    return image.convertToFormat(page.format());
}

QImage turned(const QImage& page, int quarterTurns)
{
    const int turns = ((quarterTurns % 4) + 4) % 4;
    if (turns == 0)
        return page;
    // QTransform turns clockwise for positive angles; one turn means counter-clockwise.
    return page.transformed(QTransform().rotate(-90.0 * turns));
}

QImage jpegRoundTrip(const QImage& page, int quality)
{
    if (quality <= 0)
        return page;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    page.save(&buffer, "JPEG", qBound(1, quality, 100));
    QImage decoded;
    decoded.loadFromData(bytes, "JPEG");
    return decoded.isNull() ? page : decoded.convertToFormat(page.format());
}
