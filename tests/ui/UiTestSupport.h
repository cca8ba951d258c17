#pragma once

#include "../store/StoreFixture.h"
#include "TestSupport.h"
#include "ai/AISettingsStore.h"
#include "ai/OpenAIAnswerAnalysisService.h"
#include "reading/SurveyExtractionService.h"
#include "scanner/ScannerService.h"
#include "store/ScanPreferences.h"
#include "store/SurveyScanStore.h"
#include "ui/DialogFilePanels.h"
#include "ui/MainWindow.h"
#include <QDir>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

namespace uitest {

// The store tests' scripted scanner, listing these devices and answering
// the first batch with these sample pages, two sides a sheet.
struct SampleScanner : FakeScannerService
{
    explicit SampleScanner(QList<ScannerDevice> listed, const QStringList& pages = {})
    {
        devices = std::move(listed);
        if (!pages.isEmpty())
            scripted.enqueue(makeScannedBatch(int(pages.size() + 1) / 2, 2, pages));
    }
};

// A reader that answers once the whole batch is known: every front page
// becomes one survey with these answers and these questions in doubt
// (number, suggestion), each cropped from its page as read a quarter turn.
// Without answers it reads nothing, as for tests that never run a batch.
class DoubtfulReader : public SurveyExtractionService
{
public:
    explicit DoubtfulReader(QStringList answers = {}, QList<std::pair<qint64, QString>> doubts = {})
        : m_answers(std::move(answers)), m_doubts(std::move(doubts))
    {
    }

    QCoro::Task<SurveyExtractionResult> extract(std::shared_ptr<PageFeed> feed, SurveyConfiguration,
                                                bool, ExtractionProgress) override
    {
        while (!feed->isClosed())
            co_await feed->changed();
        SurveyExtractionResult result;
        for (const ScanPage& page : feed->pages()) {
            if (page.side != SurveySide::front || m_answers.isEmpty())
                continue;
            result.responses.append({page.surveyNumber, page.capturedAt, m_answers});
            for (const auto& [question, suggestion] : m_doubts) {
                QuestionReviewItem item;
                item.surveyNumber = page.surveyNumber;
                item.questionNumber = question;
                item.pageNumber = page.pageNumber;
                item.prompt = QStringLiteral("Question %1").arg(question);
                item.suggestedText = suggestion;
                item.imageURL = item.pageURL = page.fileURL;
                item.quarterTurns = 1;
                item.cropRect = QRectF(100, 300 * question, 900, 200);
                result.reviewItems.append(item);
            }
        }
        co_return result;
    }

private:
    QStringList m_answers;
    QList<std::pair<qint64, QString>> m_doubts;
};
using NoReading = DoubtfulReader;

// A controllable duplex feeder, ready to scan.
inline ScannerDevice feeder()
{
    ScannerDevice device = onlineScanner("test:feeder", true);
    device.hasDocumentFeeder = true;
    device.statusDetail = "Ready to scan through SANE.";
    return device;
}

// Sample page files of the repository, in order.
inline QStringList samplePages(int count, int first = 1)
{
    QStringList files;
    for (int i = first; i < first + count; ++i)
        files.append(testsupport::sourceDir() +
                     QString("/samples/page-%1.png").arg(i, 2, 10, QChar('0')));
    return files;
}

// The texts of the option toggles that are on.
inline QStringList checkedTexts(const QList<QToolButton*>& toggles)
{
    QStringList checked;
    for (QToolButton* toggle : toggles) {
        if (toggle->isChecked())
            checked.append(toggle->text());
    }
    return checked;
}

inline bool waitFor(const std::function<bool()>& condition, int milliseconds = 5000)
{
    return QTest::qWaitFor(condition, milliseconds);
}

// The application's objects over a temporary preferences file, as start-up
// builds them, with the given scanner and reader.
struct App
{
    App(const QString& settingsFile, ScannerService* scanner, SurveyExtractionService* reader,
        bool firstRunPromptShown = true)
        : aiClient(std::make_unique<OpenAIAnswerAnalysisService>()),
          aiSettings(std::make_unique<AISettingsStore>(settingsFile, aiClient.get())),
          panels(std::make_unique<DialogFilePanels>()),
          preferencesFile(
              std::make_unique<QSettings>(settingsFile + ".scan.ini", QSettings::IniFormat)),
          scanPreferences(std::make_unique<ScanPreferences>(preferencesFile.get())),
          store(std::make_unique<SurveyScanStore>(scanner, reader, aiSettings.get(), aiClient.get(),
                                                  panels.get())),
          window(std::make_unique<MainWindow>(store.get(), aiSettings.get()))
    {
        if (firstRunPromptShown)
            aiSettings->setHasShownFirstRunPrompt(true);
        store->setScanPreferences(scanPreferences.get());
        panels->setParentWindow(window.get());
    }
    ~App()
    {
        window.reset();
        store.reset();
    }

    std::unique_ptr<OpenAIAnswerAnalysisService> aiClient;
    std::unique_ptr<AISettingsStore> aiSettings;
    std::unique_ptr<DialogFilePanels> panels;
    std::unique_ptr<QSettings> preferencesFile;
    std::unique_ptr<ScanPreferences> scanPreferences;
    std::unique_ptr<SurveyScanStore> store;
    std::unique_ptr<MainWindow> window;

    // Shows the window and waits for its start-up task; false on time-out.
    bool showAndSettle()
    {
        QSignalSpy appeared(window.get(), &MainWindow::firstAppearanceFinished);
        window->resize(1100, 760);
        window->show();
        return waitFor([&appeared] { return appeared.count() > 0; });
    }
};

// While it lives, answers every file panel that opens: the handler sees the
// dialog and returns the path to accept, or an empty text to cancel.
class FilePanelAnswerer
{
public:
    explicit FilePanelAnswerer(std::function<QString(QFileDialog*)> handler)
        : m_poll(std::make_unique<QTimer>())
    {
        m_poll->setInterval(20);
        QObject::connect(m_poll.get(), &QTimer::timeout, m_poll.get(), [this, handler] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || dialog->property("answered").toBool())
                return;
            dialog->setProperty("answered", true);
            ++m_seen;
            const QString path = handler(dialog);
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(path);
                // The panel may still be loading its folder and put its suggested
                // name back; accept() reads the name field, so set it last.
                if (auto* nameField = dialog->findChild<QLineEdit*>("fileNameEdit"))
                    nameField->setText(path);
                // accept() is protected; the dialog's own Save/Open button is not.
                QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
            }
        });
        m_poll->start();
    }

    int panelsSeen() const { return m_seen; }

private:
    std::unique_ptr<QTimer> m_poll;
    int m_seen = 0;
};

// Clicks the button with this text on the next message box that opens and
// records the box's texts.
struct MessageBoxClicker
{
    explicit MessageBoxClicker(QString button) : buttonText(std::move(button))
    {
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, &poll, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (!box || !box->isVisible() || box->property("clicked").toBool())
                    continue;
                box->setProperty("clicked", true);
                text = box->text();
                informativeText = box->informativeText();
                for (QAbstractButton* button : box->buttons()) {
                    buttons.append(button->text());
                    if (button->text() == buttonText)
                        QTimer::singleShot(0, button, &QAbstractButton::click);
                }
            }
        });
        poll.start();
    }

    QString buttonText;
    QTimer poll;
    QString text;
    QString informativeText;
    QStringList buttons;
};

} // namespace uitest
