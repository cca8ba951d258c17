#include "CropView.h"

#include "Theme.h"

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double maximumEnlargement = 2.0;
constexpr int largestHeight = 420;
constexpr int smallestHeight = 120;
} // namespace

CropView::CropView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("cropView"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setMinimumHeight(smallestHeight);
}

bool CropView::setImageFile(const QString& path)
{
    m_image = QImage();
    m_missingText.clear();
    if (!path.isEmpty())
        m_image.load(path);
    if (m_image.isNull()) {
        m_missingText =
            path.isEmpty()
                ? QStringLiteral("No image for this answer.")
                : QStringLiteral("The image %1 could not be read.").arg(QFileInfo(path).fileName());
    }
    updateGeometry();
    update();
    return !m_image.isNull();
}

int CropView::heightForWidth(int width) const
{
    if (m_image.isNull() || m_image.width() == 0)
        return smallestHeight;
    const double scale = std::min(maximumEnlargement, static_cast<double>(width) / m_image.width());
    return std::clamp(static_cast<int>(m_image.height() * scale) + 2, smallestHeight,
                      largestHeight);
}

QSize CropView::sizeHint() const
{
    return QSize(480, heightForWidth(480));
}

QRectF CropView::imageRect(const QRectF& area) const
{
    const double scale = std::min(
        {maximumEnlargement, area.width() / m_image.width(), area.height() / m_image.height()});
    const QSizeF size(m_image.width() * scale, m_image.height() * scale);
    return QRectF(area.center() - QPointF(size.width() / 2, size.height() / 2), size);
}

void CropView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(frame, 8, 8);
    painter.fillPath(outline, QColor(0xfa, 0xfb, 0xfc));
    painter.setPen(theme::color(theme::Role::border));
    painter.drawPath(outline);
    if (m_image.isNull()) {
        painter.setPen(theme::color(theme::Role::secondaryText));
        painter.drawText(rect(), Qt::AlignCenter, m_missingText);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipPath(outline);
    painter.drawImage(imageRect(frame.adjusted(6, 6, -6, -6)), m_image);
}
