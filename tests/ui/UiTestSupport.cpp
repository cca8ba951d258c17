#include "UiTestSupport.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace uitest {

FakeScannerService::FakeScannerService(QList<ScannerDevice> devices, QStringList pageFiles,
                                       QString folder)
    : m_devices(std::move(devices)), m_pageFiles(std::move(pageFiles)), m_folder(std::move(folder))
{
}

QCoro::Task<QList<ScannerDevice>> FakeScannerService::discoverScanners()
{
    co_return m_devices;
}

QCoro::Task<ScanBatchResult> FakeScannerService::scanBatch(ScannerDevice, SurveyConfiguration,
                                                           PageDelivered)
{
    ++batches;
    ScanBatchResult result;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (qsizetype i = 0; i < m_pageFiles.size(); ++i) {
        const QString target =
            QDir(m_folder).filePath(QStringLiteral("batch%1-%2.png").arg(batches).arg(i + 1));
        QFile::remove(target);
        if (!QFile::copy(m_pageFiles[i], target))
            throw ScannerServiceError(ScannerServiceError::Kind::scanProducedNoFiles);
        ScanPage page;
        page.surveyNumber = i / 2 + 1;
        page.side = i % 2 == 0 ? SurveySide::front : SurveySide::back;
        page.pageNumber = i + 1;
        page.capturedAt = now;
        page.fileURL = QUrl::fromLocalFile(target);
        result.pages.append(page);
    }
    for (qint64 survey = 1; survey <= (m_pageFiles.size() + 1) / 2; ++survey)
        result.responses.append(SurveyResponse{survey, now, {}});
    co_return result;
}

QCoro::Task<SurveyExtractionResult> WholeBatchReader::extract(std::shared_ptr<PageFeed> feed,
                                                              SurveyConfiguration, bool,
                                                              ExtractionProgress)
{
    while (!feed->isClosed())
        co_await feed->changed();
    co_return read(feed->pages());
}

ScannerDevice onlineScanner()
{
    ScannerDevice device;
    device.id = QStringLiteral("test:feeder");
    device.name = QStringLiteral("Test Feeder");
    device.connection = QStringLiteral("USB");
    device.hasDocumentFeeder = true;
    device.supportsDuplex = true;
    device.statusDetail = QStringLiteral("Ready to scan through SANE.");
    return device;
}

QStringList samplePages(int count, int first)
{
    QStringList files;
    for (int i = first; i < first + count; ++i)
        files.append(
            QDir(testsupport::sourceDir())
                .filePath(QStringLiteral("samples/page-%1.png").arg(i, 2, 10, QLatin1Char('0'))));
    return files;
}

App::App(const QString& settingsFile, ScannerService* scanner, SurveyExtractionService* reader,
         bool firstRunPromptShown)
{
    aiClient = std::make_unique<OpenAIAnswerAnalysisService>();
    aiSettings = std::make_unique<AISettingsStore>(settingsFile, aiClient.get());
    if (firstRunPromptShown)
        aiSettings->setHasShownFirstRunPrompt(true);
    panels = std::make_unique<DialogFilePanels>();
    preferencesFile = std::make_unique<QSettings>(settingsFile + QStringLiteral(".scan.ini"),
                                                  QSettings::IniFormat);
    scanPreferences = std::make_unique<ScanPreferences>(preferencesFile.get());
    store = std::make_unique<SurveyScanStore>(scanner, reader, aiSettings.get(), aiClient.get(),
                                              panels.get());
    store->setScanPreferences(scanPreferences.get());
    window = std::make_unique<MainWindow>(store.get(), aiSettings.get());
    panels->setParentWindow(window.get());
}

App::~App()
{
    window.reset();
    store.reset();
}

bool App::showAndSettle()
{
    QSignalSpy appeared(window.get(), &MainWindow::firstAppearanceFinished);
    window->resize(1100, 760);
    window->show();
    return waitFor([&appeared] { return appeared.count() > 0; });
}

FilePanelAnswerer::FilePanelAnswerer(std::function<QString(QFileDialog*)> handler)
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
            if (auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                nameField->setText(path);
            // accept() is protected; the dialog's own Save/Open button is not.
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        }
    });
    m_poll->start();
}

FilePanelAnswerer::~FilePanelAnswerer() = default;

bool waitFor(const std::function<bool()>& condition, int milliseconds)
{
    return QTest::qWaitFor(condition, milliseconds);
}

} // namespace uitest
