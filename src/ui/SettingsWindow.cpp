#include "SettingsWindow.h"

#include "AISettingsPanel.h"

#include <QScrollArea>
#include <QShortcut>
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
    // Fits a 1024x768 screen with its panels and title bar; the panel scrolls.
    resize(600, 640);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
}

void SettingsWindow::present()
{
    show();
    raise();
    activateWindow();
}
