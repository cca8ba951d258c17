#pragma once

#include <QWidget>

class AISettingsStore;
class AISettingsPanel;

// The separate settings window; its content is the AI panel.
class SettingsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsWindow(AISettingsStore* settings, QWidget* parent = nullptr);

    AISettingsPanel* panel() const { return m_panel; }

    // Shows the window, or raises it when it is already open.
    void present();

private:
    AISettingsPanel* m_panel;
};
