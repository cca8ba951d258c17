#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// Icons for the symbol names the screens use ("folder", "chart.pie", ...),
// drawn from bundled SVGs so they look the same on every desktop, also
// without an icon theme. An unknown name gives a null icon.
namespace symbols {

bool exists(const QString& name);

// The symbol tinted in one colour; a second colour, when valid, is used while
// the item is selected (white on the sidebar's highlight).
QIcon icon(const QString& name, const QColor& color, const QColor& selectedColor = QColor());
QIcon icon(const QString& name);

QPixmap pixmap(const QString& name, int size, const QColor& color, qreal devicePixelRatio = 1.0);

} // namespace symbols
