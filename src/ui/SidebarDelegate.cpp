#include "SidebarDelegate.h"

#include "Theme.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>

void SidebarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect area = option.rect.adjusted(8, 1, -8, -1);
    QFont font = option.font;
    if (index.data(headerRole).toBool()) {
        font.setPointSizeF(font.pointSizeF() * 0.85);
        font.setBold(true);
        font.setCapitalization(QFont::AllUppercase);
        font.setLetterSpacing(QFont::PercentageSpacing, 106);
        painter->setFont(font);
        painter->setPen(theme::color(theme::Role::secondaryText));
        painter->drawText(area.adjusted(6, 0, 0, -3), Qt::AlignLeft | Qt::AlignBottom,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
        return;
    }
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    if (selected || hovered) {
        QPainterPath background;
        background.addRoundedRect(area, 7, 7);
        painter->fillPath(background, selected ? theme::color(theme::Role::accent)
                                               : theme::color(theme::Role::border));
    }
    const QColor text = selected ? QColor(Qt::white) : theme::color(theme::Role::text);
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    const QRect iconRect(area.left() + 8, area.center().y() - 9, 18, 18);
    icon.paint(painter, iconRect, Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);

    QRect textRect = area.adjusted(34, 0, -8, 0);
    const QString badge = index.data(badgeRole).toString();
    if (!badge.isEmpty()) {
        QFont badgeFont = font;
        badgeFont.setPointSizeF(font.pointSizeF() * 0.85);
        badgeFont.setBold(true);
        const QFontMetrics metrics(badgeFont);
        const int width = std::max(22, metrics.horizontalAdvance(badge) + 12);
        const QRect pill(area.right() - 8 - width, area.center().y() - 9, width, 18);
        QPainterPath path;
        path.addRoundedRect(pill, 9, 9);
        painter->fillPath(path, selected ? QColor(255, 255, 255, 60)
                                         : theme::color(theme::Role::accentSoft));
        painter->setFont(badgeFont);
        painter->setPen(selected ? QColor(Qt::white) : theme::color(theme::Role::accent));
        painter->drawText(pill, Qt::AlignCenter, badge);
        textRect.setRight(pill.left() - 6);
    }
    painter->setFont(font);
    painter->setPen(text);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                    Qt::ElideRight, textRect.width()));
    painter->restore();
}

QSize SidebarDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int height = index.data(headerRole).toBool() ? 30 : 34;
    return QSize(option.rect.width(), height);
}
