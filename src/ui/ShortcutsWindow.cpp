#include "ShortcutsWindow.h"

#include "ReviewKeys.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

ShortcutsWindow::ShortcutsWindow(const QList<std::pair<QString, QString>>& commands,
                                 QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("shortcutsWindow"));
    setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    auto* layout = new QVBoxLayout(this);
    m_table = new QTableWidget(0, 2, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Keys"), QStringLiteral("Action")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    const auto addRow = [this](const QString& keys, const QString& action) {
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        m_table->setItem(row, 0, new QTableWidgetItem(keys));
        m_table->setItem(row, 1, new QTableWidgetItem(action));
    };
    for (const reviewkeys::Entry& entry : reviewkeys::reference())
        addRow(entry.keys, entry.action);
    for (const auto& [keys, action] : commands)
        addRow(keys, action);
    layout->addWidget(m_table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 520);
}
