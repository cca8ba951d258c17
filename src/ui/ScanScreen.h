#pragma once

#include "ScreenPage.h"
#include "model/SurveyConfiguration.h"

#include <functional>

class Badge;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
class QWidget;
class ScannerDetails;
class SurveyScanStore;

// The scan dashboard: device, survey set-up, progress, start and output.
class ScanScreen : public ScreenPage
{
    Q_OBJECT
public:
    explicit ScanScreen(SurveyScanStore* store, QWidget* parent = nullptr);

private:
    QWidget* buildHeader();
    QWidget* buildDeviceCard();
    QWidget* buildSetupCard();
    QWidget* buildProgressCard();
    QWidget* buildOutputCard();
    void refreshStatus();
    void refreshDevices();
    void refreshSetup();
    void refreshScanSettings();
    void refreshProgress();
    void refreshOutput();
    void changeConfiguration(const std::function<void(SurveyConfiguration&)>& edit);

    SurveyScanStore* m_store;
    Badge* m_stage = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_error = nullptr;

    QWidget* m_devicePicker = nullptr;
    QComboBox* m_devices = nullptr;
    QToolButton* m_detailsButton = nullptr;
    ScannerDetails* m_details = nullptr;
    QLabel* m_deviceDetail = nullptr;
    QWidget* m_noScanner = nullptr;

    QComboBox* m_template = nullptr;
    QCheckBox* m_captureBack = nullptr;
    QComboBox* m_mode = nullptr;
    QComboBox* m_resolution = nullptr;
    QComboBox* m_colour = nullptr;
    QComboBox* m_source = nullptr;

    Badge* m_progressStage = nullptr;
    QLabel* m_feederNote = nullptr;
    QLabel* m_scanCounts = nullptr;
    QLabel* m_captured = nullptr;
    QProgressBar* m_reading = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_import = nullptr;

    QLabel* m_csvState = nullptr;
    QLabel* m_csvFile = nullptr;
    QPushButton* m_connectCSV = nullptr;
    QPushButton* m_exportSnapshot = nullptr;
    QLabel* m_aiIcon = nullptr;
    QLabel* m_aiStatus = nullptr;
    QLabel* m_aiCounts = nullptr;
};
