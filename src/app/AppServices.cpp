#include "AppServices.h"

#include "ai/AISettingsStore.h"
#include "ai/OpenAIAnswerAnalysisService.h"
#include "dictation/SpeechInputController.h"
#include "reading/VisionSurveyExtractionService.h"
#include "scanner/CompositeScannerService.h"
#include "scanner/ImportScannerService.h"
#include "scanner/SampleScannerService.h"
#include "scanner/SaneScannerService.h"
#include "store/ScanPreferences.h"
#include "store/SurveyScanStore.h"
#include "ui/BrandMark.h"
#include "ui/DialogBackSidePrompt.h"
#include "ui/DialogFilePanels.h"
#include "ui/DialogImportFileChooser.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

#ifndef TW_SOURCE_SAMPLES_DIR
#define TW_SOURCE_SAMPLES_DIR ""
#endif
#ifndef TW_INSTALL_DATA_DIR
#define TW_INSTALL_DATA_DIR "share/tallywicket"
#endif

namespace {

bool holdsSamples(const QString& folder)
{
    return !folder.isEmpty() &&
           !QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files).isEmpty();
}

// The user's default preferences, shared by every start of the program.
QSettings* userSettings()
{
    static QSettings settings;
    return &settings;
}

} // namespace

QString findSamplesFolder()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString installed = QDir::cleanPath(programDir.filePath(
        QStringLiteral("../") + QStringLiteral(TW_INSTALL_DATA_DIR) + QStringLiteral("/samples")));
    if (holdsSamples(installed))
        return installed;
    const QString source = QStringLiteral(TW_SOURCE_SAMPLES_DIR);
    if (holdsSamples(source))
        return source;
    return {};
}

AppServices::AppServices(const AppOptions& options)
{
    m_aiSettings = std::make_unique<AISettingsStore>(userSettings());

    m_backSidePrompt = std::make_unique<DialogBackSidePrompt>();
    m_importChooser = std::make_unique<DialogImportFileChooser>();
    m_scanners = std::make_unique<CompositeScannerService>();
    auto sane = std::make_shared<SaneScannerService>();
    sane->setBackSidePrompt(m_backSidePrompt.get());
    m_scanners->addService(sane);
    // Importing is an action of its own; the device list holds scanners only.
    m_importer = std::make_unique<ImportScannerService>(m_importChooser.get());
    m_scanPreferences = std::make_unique<ScanPreferences>(userSettings());
    if (!options.samplesFolder.isEmpty())
        m_scanners->addService(std::make_shared<SampleScannerService>(
            options.samplesFolder, defaultScanRoot(), options.samplesPace));

    m_reader = std::make_unique<VisionSurveyExtractionService>();
    m_aiClient = std::make_unique<OpenAIAnswerAnalysisService>(nullptr, m_aiSettings->baseURL());
    m_aiSettings->setClient(m_aiClient.get());

    m_filePanels = std::make_unique<DialogFilePanels>();
    m_store = std::make_unique<SurveyScanStore>(
        m_scanners.get(), m_reader.get(), m_aiSettings.get(), m_aiClient.get(), m_filePanels.get());
    m_store->setScanPreferences(m_scanPreferences.get());
    m_store->setImportService(m_importer.get());

    m_window = std::make_unique<MainWindow>(m_store.get(), m_aiSettings.get(), [](QObject* parent) {
        return SpeechInputController::createForMicrophone(parent);
    });
    const QIcon icon = brand::applicationIcon();
    if (!icon.isNull())
        m_window->setWindowIcon(icon);
    m_filePanels->setParentWindow(m_window.get());
    m_backSidePrompt->setParentWindow(m_window.get());
    m_importChooser->setParentWindow(m_window.get());
}

AppServices::~AppServices()
{
    // The window observes the store; it goes first.
    m_window.reset();
    m_store.reset();
}
