#pragma once

// The screens over the store tests' scripted scanner and reader.
#include "../store/StoreFixture.h"
#include "ai/OpenAIAnswerAnalysisService.h"
#include "store/ScanPreferences.h"
#include "ui/DialogFilePanels.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
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

// The store tests' scripted reader: every front page becomes one survey with
// these answers and these questions in doubt (number, suggestion), each
// cropped from its page as read a quarter turn. Without answers it reads
// nothing, as for tests that never run a batch.
struct DoubtfulReader : FakeExtractionService
{
    explicit DoubtfulReader(QStringList answers = {}, QList<std::pair<qint64, QString>> doubts = {})
    {
        if (answers.isEmpty())
            return;
        answer = [answers, doubts](const QList<ScanPage>& pages) {
            SurveyExtractionResult result;
            for (const ScanPage& page : pages) {
                if (page.side != SurveySide::front)
                    continue;
                result.responses.append({page.surveyNumber, page.capturedAt, answers});
                for (const auto& [question, suggestion] : doubts) {
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
            return result;
        };
    }
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
inline QStringList samplePages(int count)
{
    QStringList files;
    for (int i = 1; i <= count; ++i)
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
        return QTest::qWaitFor([&appeared] { return appeared.count() > 0; });
    }
};

// While it lives, hands every window of type T that shows to `answer`, once.
template <typename T> class ModalAnswerer
{
public:
    explicit ModalAnswerer(std::function<void(T*)> answer)
    {
        m_poll.setInterval(20);
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this, answer] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* window = qobject_cast<T*>(widget);
                if (!window || !window->isVisible() || window->property("answered").toBool())
                    continue;
                window->setProperty("answered", true);
                ++m_seen;
                answer(window);
            }
        });
        m_poll.start();
    }
    int seen() const { return m_seen; }

private:
    QTimer m_poll;
    int m_seen = 0;
};

// Answers every file panel that opens: the handler sees the dialog and
// returns the path to accept, or an empty text to cancel.
struct FilePanelAnswerer : ModalAnswerer<QFileDialog>
{
    explicit FilePanelAnswerer(std::function<QString(QFileDialog*)> handler)
        : ModalAnswerer([handler](QFileDialog* dialog) {
              const QString path = handler(dialog);
              if (path.isEmpty())
                  return dialog->reject();
              dialog->selectFile(path);
              // The panel may still be loading its folder and put its suggested
              // name back; accept() reads the name field, so set it last.
              if (auto* nameField = dialog->findChild<QLineEdit*>("fileNameEdit"))
                  nameField->setText(path);
              // accept() is protected; the dialog's own Save/Open button is not.
              QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
          })
    {
    }
    int panelsSeen() const { return seen(); }
};

// Clicks the button with this text on the next message box that opens and
// records the box's texts.
struct MessageBoxClicker : ModalAnswerer<QMessageBox>
{
    explicit MessageBoxClicker(const QString& buttonText)
        : ModalAnswerer([this, buttonText](QMessageBox* box) {
              text = box->text();
              informativeText = box->informativeText();
              for (QAbstractButton* button : box->buttons()) {
                  buttons.append(button->text());
                  if (button->text() == buttonText)
                      QTimer::singleShot(0, button, &QAbstractButton::click);
              }
          })
    {
    }
    QString text;
    QString informativeText;
    QStringList buttons;
};

} // namespace uitest
