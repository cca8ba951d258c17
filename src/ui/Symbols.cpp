#include "Symbols.h"

#include "Theme.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace symbols {
namespace {

QString resourcePath(const QString& name)
{
    return QStringLiteral(":/tallywicket/icons/%1.svg").arg(name);
}

// The SVGs paint in "currentColor"; Qt's renderer has no such notion, so the
// colour is written into the source before rendering.
QByteArray tintedSource(const QString& name, const QColor& color)
{
    static QHash<QString, QByteArray> sources;
    auto found = sources.find(name);
    if (found == sources.end()) {
        QFile file(resourcePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        found = sources.insert(name, file.readAll());
    }
    QByteArray source = *found;
    source.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    return source;
}

} // namespace

bool exists(const QString& name)
{
    return !name.isEmpty() && QFile::exists(resourcePath(name));
}

QPixmap pixmap(const QString& name, int size, const QColor& color, qreal devicePixelRatio)
{
    const QByteArray source = tintedSource(name, color);
    if (source.isEmpty())
        return {};
    QSvgRenderer renderer(source);
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap result(pixels, pixels);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(color.alphaF());
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    painter.end();
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon icon(const QString& name, const QColor& color, const QColor& selectedColor)
{
    if (!exists(name))
        return {};
    QIcon result;
    for (int size : {16, 20, 24, 32, 48, 64}) {
        result.addPixmap(pixmap(name, size, color), QIcon::Normal);
        QColor disabled = color;
        disabled.setAlphaF(0.35);
        result.addPixmap(pixmap(name, size, disabled), QIcon::Disabled);
        if (selectedColor.isValid())
            result.addPixmap(pixmap(name, size, selectedColor), QIcon::Selected);
    }
    return result;
}

QIcon icon(const QString& name)
{
    return icon(name, theme::color(theme::Role::icon));
}

} // namespace symbols
