#pragma once

#include "ai/AISettingsStore.h"
#include "ai/OpenAIAnswerAnalysisService.h"
#include "reading/SurveyExtractionService.h"
#include "scanner/ScannerService.h"
#include "store/ScanPreferences.h"
#include "store/SurveyScanStore.h"
#include "ui/DialogFilePanels.h"
#include "ui/MainWindow.h"
#include <QSettings>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

namespace uitest {

// A scanner service that lists the given devices and answers a batch with
// copies of sample pages, numbered like a feeder batch of two-sided sheets.
class FakeScannerService : public ScannerService
{
public:
    explicit FakeScannerService(QList<ScannerDevice> devices, QStringList pageFiles = {},
                                QString folder = {});

    QCoro::Task<QList<ScannerDevice>> discoverScanners() override;
    QCoro::Task<ScanBatchResult> scanBatch(ScannerDevice device, SurveyConfiguration configuration,
                                           PageDelivered delivered) override;

    int batches = 0;

private:
    QList<ScannerDevice> m_devices;
    QStringList m_pageFiles;
    QString m_folder;
};

// A reader that answers once the whole batch is known.
class WholeBatchReader : public SurveyExtractionService
{
public:
    QCoro::Task<SurveyExtractionResult> extract(std::shared_ptr<PageFeed> feed, SurveyConfiguration,
                                                bool, ExtractionProgress) override;

protected:
    virtual SurveyExtractionResult read(const QList<ScanPage>& pages) = 0;
};

// Reads nothing: for tests that never run a batch.
class NoReading : public WholeBatchReader
{
protected:
    SurveyExtractionResult read(const QList<ScanPage>&) override { return {}; }
};

ScannerDevice onlineScanner();
// Sample page files of the repository, in order.
QStringList samplePages(int count, int first = 1);

// The application's objects over a temporary preferences file, as start-up
// builds them, with the given scanner and reader.
struct App
{
    App(const QString& settingsFile, ScannerService* scanner, SurveyExtractionService* reader,
        bool firstRunPromptShown = true);
    ~App();

    std::unique_ptr<OpenAIAnswerAnalysisService> aiClient;
    std::unique_ptr<AISettingsStore> aiSettings;
    std::unique_ptr<DialogFilePanels> panels;
    std::unique_ptr<QSettings> preferencesFile;
    std::unique_ptr<ScanPreferences> scanPreferences;
    std::unique_ptr<SurveyScanStore> store;
    std::unique_ptr<MainWindow> window;

    // Shows the window and waits for its start-up task; false on time-out.
    bool showAndSettle();
};

// While it lives, answers every file panel that opens: the handler sees the
// dialog and returns the path to accept, or an empty text to cancel.
class FilePanelAnswerer
{
public:
    explicit FilePanelAnswerer(std::function<QString(QFileDialog*)> handler);
    ~FilePanelAnswerer();

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

bool waitFor(const std::function<bool()>& condition, int milliseconds = 5000);

} // namespace uitest
