#pragma once

#include "ScanSettings.h"
#include "model/ScanPage.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyResponse.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <exception>
#include <functional>
#include <optional>

// One entry of the scanner list.
struct ScannerDevice
{
    QString id;
    QString name;
    QString connection;
    bool supportsDuplex = false;
    bool hasDocumentFeeder = false;
    bool isOnline = true;
    bool isControllable = true;
    QString statusDetail;
    // A flatbed beside the feeder: the Scan screen's Source choice applies.
    bool hasFlatbed = false;
    // The backend takes a resolution and colour mode from the app.
    bool takesScanSettings = false;

    bool operator==(const ScannerDevice&) const = default;
};

// Why a one-pass scan stopped before the feeder was empty.
enum class ScanStopCause
{
    jammed,
    coverOpen,
    driverStopped,
    deviceGone,
    canceled,
    failed,
};

// A one-pass scan that stopped early: the pages scanned before still count.
struct ScanEarlyEnd
{
    ScanStopCause cause = ScanStopCause::failed;
    QString detail; // the scanner layer's description of the failure

    bool operator==(const ScanEarlyEnd&) const = default;
};

// What one scan request returns: the pages, numbered from 1 within the batch,
// and one placeholder response per survey.
struct ScanBatchResult
{
    QList<ScanPage> pages;
    QList<SurveyResponse> responses;
    // Set when the pass ended early (jam, stall, cancel, ...); `pages` then
    // holds the pages scanned before it stopped.
    std::optional<ScanEarlyEnd> endedEarly;
};

// The scanner layer's failures; what() is the text shown to the operator.
class ScannerServiceError : public std::exception
{
public:
    enum class Kind
    {
        deviceConnectionFailed,
        deviceUnavailable,
        noScannerSelected,
        noUsableFunctionalUnit,
        scanCanceled,
        scanProducedNoFiles,
        // A call into the driver did not come back within its bound.
        driverStopped,
        // Manual two-sided scanning ended without a back for every front;
        // the detail says what was scanned and where the files are.
        twoSidedIncomplete,
        // The operator closed a file chooser without choosing: nothing to
        // report.
        nothingChosen,
        // Device and platform failures (SANE status, file system) carry
        // their own text.
        feederJammed,
        coverOpen,
        platform,
    };

    ScannerServiceError(Kind kind, QString detail = {});

    Kind kind() const { return m_kind; }
    QString detail() const { return m_detail; }
    QString description() const { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    Kind m_kind;
    QString m_detail;
    QString m_description;
    QByteArray m_utf8;
};

// Told on the interface thread of each page file the device delivers, in
// delivery order, while scanBatch runs: the pages can be read before the
// feeder stops. The batch's numbering still comes with scanBatch's result.
using PageDelivered = std::function<void(const QString& file)>;

// The store's only way to reach scanners. Both operations run on the
// interface thread and suspend while the device works.
class ScannerService
{
public:
    virtual ~ScannerService() = default;

    // Never fails; may return an empty list.
    virtual QCoro::Task<QList<ScannerDevice>> discoverScanners() = 0;

    // Throws ScannerServiceError. A service that cannot tell pages apart
    // until the end may deliver none: its pages are then read afterwards.
    virtual QCoro::Task<ScanBatchResult> scanBatch(ScannerDevice device,
                                                   SurveyConfiguration configuration,
                                                   PageDelivered delivered = {}) = 0;

    // The operator's scan settings for the following scans. Devices whose
    // backend lacks an option leave it as it is.
    virtual void setScanSettings(const ScanSettings& /*settings*/) {}

    // Stops a running scan: the pending scanBatch returns the pages of a
    // one-pass scan scanned so far, or fails with scanCanceled.
    virtual void cancelScan() {}
};

// How a scanner failure ends a one-pass scan that already delivered pages.
ScanStopCause stopCauseOf(const ScannerServiceError& error);
