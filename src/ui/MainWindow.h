#pragma once

#include "AppSection.h"
#include "ReviewEditor.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QMainWindow>
#include <functional>

class AISettingsStore;
class QAction;
class QLabel;
class QMenu;
class QMessageBox;
class QStackedWidget;
class SettingsWindow;
class ShortcutsWindow;
class Sidebar;
class SurveyScanStore;

// The one main window "Tallywicket": sidebar, the six screens, the menu
// commands and the first-run AI prompt. Holds only view state (the selected
// section); everything else is read from the store.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    enum class Command
    {
        newProject,
        openProject,
        save,
        saveAs,
        connectCSV,
        exportCSV,
        refreshScanners,
        startScanBatch,
        settings,
        importScannedFiles,
        undo,
        redo,
        keyboardShortcuts,
        about,
    };

    MainWindow(SurveyScanStore* store, AISettingsStore* aiSettings, DictationFactory dictation = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    void selectSection(AppSection section);
    QWidget* screen(AppSection section) const;
    Sidebar* sidebar() const { return m_sidebar; }
    QAction* action(Command command) const { return m_actions.value(command); }
    SettingsWindow* settingsWindow();
    ShortcutsWindow* shortcutsWindow();
    // The first-run prompt while it is open, else null.
    QMessageBox* firstRunPrompt() const;

    static QString firstRunTitle();
    static QString firstRunMessage();

Q_SIGNALS:
    // The start-up task (scanner refresh and first-run check) has finished.
    void firstAppearanceFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QAction* addCommand(QMenu* menu, Command command, const QString& text,
                        const QList<QKeySequence>& shortcuts, std::function<void()> run);
    void buildEditAndHelpMenus();
    void refreshUndoActions();
    void buildStatusBar();
    void refreshStatusBar();
    QCoro::Task<> firstAppearance();
    void showFirstRunPrompt();

    SurveyScanStore* m_store;
    AISettingsStore* m_aiSettings;
    Sidebar* m_sidebar;
    QStackedWidget* m_screens;
    QHash<Command, QAction*> m_actions;
    SettingsWindow* m_settingsWindow = nullptr;
    ShortcutsWindow* m_shortcutsWindow = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_pending = nullptr;
    QLabel* m_error = nullptr;
    bool m_appeared = false;
};
