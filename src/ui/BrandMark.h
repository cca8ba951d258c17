#pragma once

#include <QIcon>
#include <QPixmap>

// The Tallywicket mark and application icon. When the bundled artwork is
// missing the mark falls back to the "doc.text.viewfinder" symbol and the
// application keeps the platform's default icon.
namespace brand {

// The resource the mark is drawn from; tests replace it to check the fallback.
QString markResource();
void setMarkResource(const QString& path);

QPixmap mark(int size, qreal devicePixelRatio = 1.0);
// Null when the artwork is missing.
QIcon applicationIcon();

} // namespace brand
