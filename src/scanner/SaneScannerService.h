#pragma once

#include "BackSidePrompt.h"
#include "BatchFolder.h"
#include "PageNumbering.h"
#include "ScanDeviceLayer.h"
#include "ScanWorker.h"
#include "ScannerService.h"
#include "UsbProbe.h"

#include <QObject>
#include <chrono>
#include <memory>
#include <optional>

struct ScanPassControl;
struct ScanPassEvent;
template <typename T> class Mailbox;

// Every wait on a device is bounded; tests shorten them.
struct SaneTimeouts
{
    std::chrono::milliseconds discovery{4000};
    std::chrono::milliseconds open{12000};
    std::chrono::milliseconds ready{30000};
    // A pass fails when no page arrives for this long; a long stack that keeps
    // feeding is never cut off.
    std::chrono::milliseconds progress{120000};
    std::chrono::milliseconds busy{5000};
};

struct SaneServiceOptions
{
    QString scanRoot = defaultScanRoot();
    QString usbRoot = kUsbSysfsRoot;
    SaneTimeouts timeouts;
};

// What an opened device offers, learnt once per device at discovery.
struct DeviceUnits
{
    bool hasFeeder = false;
    bool hasFlatbed = false;
    bool hasDuplex = false;
    bool takesSettings = false;
};
DeviceUnits probeDeviceUnits(ScanDeviceHandle& handle);

// The list entry of a SANE device.
ScannerDevice saneScannerEntry(const DeviceListing& device, bool hasDocumentFeeder);

/// Scanners through SANE. Every SANE call runs on the scanner worker thread;
/// the operations here run on the interface thread and only await it.
class SaneScannerService : public QObject, public ScannerService
{
    Q_OBJECT
public:
    explicit SaneScannerService(std::shared_ptr<ScanWorker> worker = ScanWorker::sane(),
                                SaneServiceOptions options = SaneServiceOptions(),
                                QObject* parent = nullptr);
    ~SaneScannerService() override;

    // Asked between the passes of manual two-sided scanning; without one the
    // second pass starts at once.
    void setBackSidePrompt(BackSidePrompt* prompt) { m_prompt = prompt; }

    QCoro::Task<QList<ScannerDevice>> discoverScanners() override;
    QCoro::Task<ScanBatchResult> scanBatch(ScannerDevice device, SurveyConfiguration configuration,
                                           PageDelivered delivered = {}) override;
    void cancelScan() override;
    void setScanSettings(const ScanSettings& settings) override { m_settings = settings; }

private:
    QCoro::Task<QList<ScannerDevice>> discoverSaneDevices();
    // The files of one pass, and why it stopped early when it did.
    struct PassOutcome
    {
        QStringList files;
        std::optional<ScannerServiceError> error;
        bool feeder = false; // scanned from a feeder, not the flatbed
        bool duplex = false; // the device was set to scan both sides
    };
    QCoro::Task<PassOutcome> runPass(QString deviceName, QString folder, QString documentName,
                                     bool wantDuplex);
    QCoro::Task<ScanBatchResult> scanOnePass(QString deviceName, QString folder,
                                             PageNumbering numbering, qint64 questionCount);
    // A flatbed template page, and its back when the operator turns it over.
    QCoro::Task<ScanBatchResult> scanTemplateBack(QString deviceName, QString folder,
                                                  QStringList fronts, qint64 questionCount);
    QCoro::Task<ScanBatchResult> scanTwoPasses(QString deviceName, QString folder,
                                               qint64 questionCount);
    // A driver call that did not come back keeps its thread; later work
    // goes to a fresh one.
    void replaceStuckWorker();

    struct FeederCache;

    std::shared_ptr<ScanWorker> m_worker;
    SaneServiceOptions m_options;
    BackSidePrompt* m_prompt = nullptr;
    ScanSettings m_settings;
    std::shared_ptr<FeederCache> m_feederCache;
    QList<ScannerDevice> m_known; // in the backend's listing order
    bool m_scanning = false;
    PageDelivered m_delivered; // the running scan's listener
    bool m_canceled = false;
    std::shared_ptr<ScanPassControl> m_control;
    std::shared_ptr<Mailbox<ScanPassEvent>> m_passMailbox;
};
