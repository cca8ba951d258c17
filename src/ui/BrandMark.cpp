#include "BrandMark.h"

#include "Symbols.h"
#include "Theme.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace brand {
namespace {

QString& markPath()
{
    static QString path = QStringLiteral(":/tallywicket/brand/tallywicket.svg");
    return path;
}

QPixmap render(int size, qreal devicePixelRatio)
{
    if (!QFile::exists(markPath()))
        return {};
    QSvgRenderer renderer(markPath());
    if (!renderer.isValid())
        return {};
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap result(pixels, pixels);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    painter.end();
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

} // namespace

QString markResource()
{
    return markPath();
}

void setMarkResource(const QString& path)
{
    markPath() = path;
}

QPixmap mark(int size, qreal devicePixelRatio)
{
    QPixmap artwork = render(size, devicePixelRatio);
    if (!artwork.isNull())
        return artwork;
    return symbols::pixmap(QStringLiteral("doc.text.viewfinder"), size,
                           theme::color(theme::Role::accent), devicePixelRatio);
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap artwork = render(size, 1.0);
        if (artwork.isNull())
            return {};
        icon.addPixmap(artwork);
    }
    return icon;
}

} // namespace brand
