#include "MainWindow.h"

#include "AnswersScreen.h"
#include "BrandMark.h"
#include "DialogFilePanels.h"
#include "Observe.h"
#include "ProjectScreen.h"
#include "ReviewKeys.h"
#include "ReviewScreen.h"
#include "ScanScreen.h"
#include "SettingsWindow.h"
#include "ShortcutsWindow.h"
#include "Sidebar.h"
#include "StatisticsScreen.h"
#include "Tasks.h"
#include "TemplatePresetQuestion.h"
#include "TemplateScreen.h"
#include "Theme.h"
#include "ai/AISettingsStore.h"
#include "store/SurveyScanStore.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QUndoStack>
#include <algorithm>

MainWindow::MainWindow(SurveyScanStore* store, AISettingsStore* aiSettings,
                       DictationFactory dictation, QWidget* parent)
    : QMainWindow(parent), m_store(store), m_aiSettings(aiSettings)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Tallywicket"));
    setMinimumSize(720, 520);
    // Room for the screens, yet inside a 1024x768 desktop with its panels.
    const QRect available = QGuiApplication::primaryScreen()
                                ? QGuiApplication::primaryScreen()->availableGeometry()
                                : QRect(0, 0, 1180, 800);
    resize(std::min(1180, available.width()), std::min(800, available.height() - 40));

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(1);
    m_sidebar = new Sidebar(m_store, splitter);
    m_screens = new QStackedWidget(splitter);
    // One screen per section, in the order of the sections.
    m_screens->addWidget(new ProjectScreen(m_store));
    m_screens->addWidget(new TemplateScreen(m_store));
    m_screens->addWidget(new ScanScreen(m_store));
    m_screens->addWidget(new AnswersScreen(m_store));
    m_screens->addWidget(new ReviewScreen(m_store, std::move(dictation)));
    m_screens->addWidget(new StatisticsScreen(m_store));
    splitter->addWidget(m_sidebar);
    splitter->addWidget(m_screens);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({Sidebar::idealWidth, 960});
    setCentralWidget(splitter);

    buildMenus();
    buildStatusBar();
    connect(m_sidebar, &Sidebar::sectionChosen, this, &MainWindow::selectSection);
    connect(m_sidebar, &Sidebar::refreshRequested, m_store,
            [this] { startDetached(m_store->refreshScanners()); });
    connect(m_sidebar, &Sidebar::settingsRequested, this, [this] { settingsWindow()->present(); });
}

MainWindow::~MainWindow() = default;

QString MainWindow::firstRunTitle()
{
    return QStringLiteral("Set Up AI Accuracy Boost");
}

QString MainWindow::firstRunMessage()
{
    return QStringLiteral("Hybrid mode is enabled by default. Add an OpenAI API key in Settings "
                          "to let Tallywicket use AI on uncertain answers, or keep using "
                          "local-only detection without API costs.");
}

void MainWindow::selectSection(AppSection section)
{
    m_screens->setCurrentIndex(static_cast<int>(section));
    m_sidebar->setCurrentSection(section);
}

QWidget* MainWindow::screen(AppSection section) const
{
    return m_screens->widget(static_cast<int>(section));
}

SettingsWindow* MainWindow::settingsWindow()
{
    if (!m_settingsWindow) {
        m_settingsWindow = new SettingsWindow(m_aiSettings, this);
        m_settingsWindow->setWindowIcon(windowIcon());
    }
    return m_settingsWindow;
}

QMessageBox* MainWindow::firstRunPrompt() const
{
    return findChild<QMessageBox*>(QStringLiteral("firstRunPrompt"));
}

QAction* MainWindow::addCommand(QMenu* menu, Command command, const QString& text,
                                const QList<QKeySequence>& shortcuts, std::function<void()> run)
{
    auto* action = menu->addAction(text);
    action->setShortcuts(shortcuts);
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    m_actions.insert(command, action);
    return action;
}

void MainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addCommand(file, Command::newProject, QStringLiteral("New Project"),
               {QKeySequence(Qt::CTRL | Qt::Key_N)}, [this] { m_store->newProject(); });
    addCommand(file, Command::openProject, QStringLiteral("Open Project..."),
               {QKeySequence(Qt::CTRL | Qt::Key_O)}, [this] { m_store->openProject(); });
    addCommand(file, Command::save, QStringLiteral("Save"), {QKeySequence(Qt::CTRL | Qt::Key_S)},
               [this] { m_store->saveProject(); });
    addCommand(file, Command::saveAs, QStringLiteral("Save As..."),
               {QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_S)},
               [this] { m_store->saveProjectAs(); });
    file->addSeparator();
    addCommand(file, Command::connectCSV, QStringLiteral("Connect CSV..."), {},
               [this] { m_store->chooseCSVFile(); });
    addCommand(file, Command::exportCSV, QStringLiteral("Export CSV..."), {},
               [this] { m_store->exportCSV(); });
    file->addSeparator();
    addCommand(file, Command::refreshScanners, QStringLiteral("Refresh Scanners"),
               {QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_R)},
               [this] { startDetached(m_store->refreshScanners()); });
    QAction* start = addCommand(
        file, Command::startScanBatch, QStringLiteral("Start Scan Batch"),
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}, [this] {
            if (m_store->canStartScan())
                startDetached(m_store->startScanBatch());
        });
    start->setEnabled(m_store->canStartScan());
    connect(m_store, &SurveyScanStore::canStartScanChanged, start, &QAction::setEnabled);
    addCommand(file, Command::importScannedFiles, QStringLiteral("Import Scanned Files..."),
               {QKeySequence(Qt::CTRL | Qt::Key_I)}, [this] {
                   if (m_store->canImport())
                       startDetached(m_store->importScannedFiles());
               });
    file->addSeparator();
    addCommand(file, Command::settings, QStringLiteral("Settings..."),
               {QKeySequence(Qt::CTRL | Qt::Key_Comma)}, [this] { settingsWindow()->present(); });
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &QMainWindow::close);

    buildEditAndHelpMenus();

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    for (AppSection section : allAppSections()) {
        QAction* show = view->addAction(rawValue(section));
        show->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + static_cast<int>(section))));
        connect(show, &QAction::triggered, this, [this, section] { selectSection(section); });
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addCommand(help, Command::keyboardShortcuts, QStringLiteral("Keyboard Shortcuts"),
               {QKeySequence(Qt::CTRL | Qt::Key_Slash)}, [this] { shortcutsWindow()->show(); });
    addCommand(help, Command::about, QStringLiteral("About Tallywicket"), {}, [this] {
        QMessageBox::about(this, QStringLiteral("About Tallywicket"),
                           QStringLiteral("Tallywicket reads scanned paper surveys into a CSV "
                                          "file, with a review queue for the answers it is "
                                          "unsure of."));
    });
}

void MainWindow::buildEditAndHelpMenus()
{
    // The Edit menu comes between File and View.
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    addCommand(edit, Command::undo, QStringLiteral("Undo"), {reviewkeys::undo()},
               [this] { m_store->undo(); });
    addCommand(edit, Command::redo, QStringLiteral("Redo"), {reviewkeys::redo()},
               [this] { m_store->redo(); });
    QUndoStack* stack = m_store->undoStack();
    connect(stack, &QUndoStack::indexChanged, this, &MainWindow::refreshUndoActions);
    connect(stack, &QUndoStack::cleanChanged, this, &MainWindow::refreshUndoActions);
    connect(m_store, &SurveyScanStore::busyChanged, this, &MainWindow::refreshUndoActions);
    refreshUndoActions();
}

void MainWindow::refreshUndoActions()
{
    const QUndoStack* stack = m_store->undoStack();
    const bool idle = !m_store->isBusy();
    QAction* undo = action(Command::undo);
    QAction* redo = action(Command::redo);
    undo->setEnabled(idle && stack->canUndo());
    redo->setEnabled(idle && stack->canRedo());
    undo->setText(stack->canUndo() ? QStringLiteral("Undo ") + stack->undoText()
                                   : QStringLiteral("Undo"));
    redo->setText(stack->canRedo() ? QStringLiteral("Redo ") + stack->redoText()
                                   : QStringLiteral("Redo"));
}

ShortcutsWindow* MainWindow::shortcutsWindow()
{
    if (!m_shortcutsWindow) {
        QList<std::pair<QString, QString>> commands;
        for (QMenu* menu : menuBar()->findChildren<QMenu*>()) {
            for (QAction* entry : menu->actions()) {
                if (!entry->shortcut().isEmpty())
                    commands.append({entry->shortcut().toString(QKeySequence::NativeText),
                                     entry->text().remove(QLatin1Char('&'))});
            }
        }
        m_shortcutsWindow = new ShortcutsWindow(commands, this);
    }
    return m_shortcutsWindow;
}

void MainWindow::buildStatusBar()
{
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("windowStatus"));
    m_error = new QLabel(this);
    theme::setRole(m_error, QStringLiteral("error"));
    m_pending = new QLabel(this);
    m_pending->setObjectName(QStringLiteral("pendingCount"));
    statusBar()->addWidget(m_status, 1);
    statusBar()->addPermanentWidget(m_error);
    statusBar()->addPermanentWidget(m_pending);
    statusBar()->setSizeGripEnabled(false);
    observe(
        m_store, this, [this] { refreshStatusBar(); }, &SurveyScanStore::statusMessageChanged,
        &SurveyScanStore::errorMessageChanged, &SurveyScanStore::reviewItemsChanged);
    refreshStatusBar();
}

void MainWindow::refreshStatusBar()
{
    m_status->setText(m_store->statusMessage());
    const QString error = m_store->errorMessage().value_or(QString());
    m_error->setText(m_status->fontMetrics().elidedText(error, Qt::ElideRight, 420));
    m_error->setToolTip(error);
    const qsizetype pending = m_store->reviewItems().size();
    m_pending->setText(pending == 0 ? QString() : QStringLiteral("%1 pending review").arg(pending));
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    startDetached(firstAppearance());
}

QCoro::Task<> MainWindow::firstAppearance()
{
    QPointer<MainWindow> self(this);
    SurveyScanStore* store = m_store;
    co_await store->refreshScanners();
    if (!self)
        co_return;
    if (!m_aiSettings->hasShownFirstRunPrompt()) {
        // Written before the prompt shows, so it never appears twice.
        m_aiSettings->setHasShownFirstRunPrompt(true);
        showFirstRunPrompt();
    }
    Q_EMIT firstAppearanceFinished();
}

void MainWindow::showFirstRunPrompt()
{
    auto* box = new QMessageBox(QMessageBox::Information, firstRunTitle(), firstRunTitle(),
                                QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("firstRunPrompt"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setInformativeText(firstRunMessage());
    box->setIconPixmap(brand::mark(48, devicePixelRatioF()));
    QPushButton* openSettings =
        box->addButton(QStringLiteral("Open Settings"), QMessageBox::AcceptRole);
    QPushButton* notNow = box->addButton(QStringLiteral("Not Now"), QMessageBox::RejectRole);
    box->setDefaultButton(openSettings);
    box->setEscapeButton(notNow);
    connect(openSettings, &QPushButton::clicked, this, [this] { settingsWindow()->present(); });
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Choosing a scanner alone marks a fresh project changed; only answers and
    // template edits are worth a question.
    const bool worthKeeping = !m_store->responses().isEmpty() ||
                              !isUnchangedPreset(m_store->configuration().templateFields);
    const bool reviewAtRisk = m_store->reviewWorkWouldBeLost();
    if (!reviewAtRisk && (!m_store->isProjectDirty() || !worthKeeping)) {
        event->accept();
        return;
    }
    // Answers exist only in memory until saved; ask before they are dropped.
    QMessageBox box(QMessageBox::Warning, DialogFilePanels::discardTitle(),
                    DialogFilePanels::discardMessage(), QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("closeQuestion"));
    const qsizetype pending = m_store->reviewItems().size();
    box.setInformativeText(
        reviewAtRisk
            ? QStringLiteral("%1 %2 waiting for review. Save the project before closing?")
                  .arg(pending)
                  .arg(pending == 1 ? QStringLiteral("answer is") : QStringLiteral("answers are"))
            : QStringLiteral("Save the project before closing?"));
    QPushButton* save = box.addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
    QPushButton* discard =
        box.addButton(QStringLiteral("Don't Save"), QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(save);
    box.exec();
    if (box.clickedButton() == discard) {
        event->accept();
        return;
    }
    if (box.clickedButton() == save) {
        m_store->saveProject();
        if (!m_store->isProjectDirty()) {
            event->accept();
            return;
        }
    }
    event->ignore();
}
