#pragma once

#include <QStyledItemDelegate>

// Draws a sidebar entry: a category title, or a section with its symbol,
// title and a count badge on the right.
class SidebarDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    enum Role
    {
        badgeRole = Qt::UserRole + 1,
        headerRole,
        sectionRole
    };

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
