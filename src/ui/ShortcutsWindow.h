#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <utility>

class QTableWidget;

// "Keyboard Shortcuts" (Help menu): every key of the review screen and the
// window's commands, with what it does. Escape closes it.
class ShortcutsWindow : public QDialog
{
    Q_OBJECT
public:
    // commands: the window's menu commands as (keys, what they do).
    ShortcutsWindow(const QList<std::pair<QString, QString>>& commands, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }

private:
    QTableWidget* m_table;
};
