#include "SettingsWindow.h"

#include "AISettingsPanel.h"

#include <QScrollArea>
#include <QVBoxLayout>

SettingsWindow::SettingsWindow(AISettingsStore* settings, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(QStringLiteral("Settings"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("screenScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_panel = new AISettingsPanel(settings, scroll);
    m_panel->setObjectName(QStringLiteral("screenBody"));
    scroll->setWidget(m_panel);
    layout->addWidget(scroll);
    setMinimumSize(480, 420);
    resize(600, 780);
}

void SettingsWindow::present()
{
    show();
    raise();
    activateWindow();
}
