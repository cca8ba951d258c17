#pragma once

#include <QString>
#include <memory>

class AISettingsStore;
class CompositeScannerService;
class DialogBackSidePrompt;
class DialogFilePanels;
class DialogImportFileChooser;
class ImportScannerService;
class ScanPreferences;
class MainWindow;
class OpenAIAnswerAnalysisService;
class SurveyScanStore;
class VisionSurveyExtractionService;

struct AppOptions
{
    // Adds the "Sample surveys" device fed from this folder when not empty.
    QString samplesFolder;
    // The sample device's pace in sheets per minute; 0 feeds at once.
    double samplesPace = 0;
};

// The long-lived objects of one run, made in start-up order: the AI
// settings, the scanner service, the page reader, the AI client, the
// workflow store, then the main window.
class AppServices
{
public:
    explicit AppServices(const AppOptions& options);
    ~AppServices();

    AISettingsStore* aiSettings() const { return m_aiSettings.get(); }
    SurveyScanStore* store() const { return m_store.get(); }
    MainWindow* window() const { return m_window.get(); }

private:
    std::unique_ptr<AISettingsStore> m_aiSettings;
    std::unique_ptr<DialogBackSidePrompt> m_backSidePrompt;
    std::unique_ptr<DialogImportFileChooser> m_importChooser;
    std::unique_ptr<CompositeScannerService> m_scanners;
    std::unique_ptr<ImportScannerService> m_importer;
    std::unique_ptr<ScanPreferences> m_scanPreferences;
    std::unique_ptr<VisionSurveyExtractionService> m_reader;
    std::unique_ptr<OpenAIAnswerAnalysisService> m_aiClient;
    std::unique_ptr<DialogFilePanels> m_filePanels;
    std::unique_ptr<SurveyScanStore> m_store;
    std::unique_ptr<MainWindow> m_window;
};

// Where the bundled sample surveys are: installed next to the program's data,
// else the source tree this program was built from. Empty when neither exists.
QString findSamplesFolder();
