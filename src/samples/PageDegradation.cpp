#include "PageDegradation.h"

#include <QBuffer>
#include <QPainter>
#include <QRandomGenerator>
#include <QTransform>

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
