#pragma once

#include "model/ScanPage.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyResponse.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <exception>

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

    bool operator==(const ScannerDevice&) const = default;
};

// What one scan request returns: the pages, numbered from 1 within the batch,
// and one placeholder response per survey.
struct ScanBatchResult
{
    QList<ScanPage> pages;
    QList<SurveyResponse> responses;
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
        // Platform failures (SANE status, file system) carry their own text.
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

// The store's only way to reach scanners. Both operations run on the
// interface thread and suspend while the device works.
class ScannerService
{
public:
    virtual ~ScannerService() = default;

    // Never fails; may return an empty list.
    virtual QCoro::Task<QList<ScannerDevice>> discoverScanners() = 0;

    // Throws ScannerServiceError.
    virtual QCoro::Task<ScanBatchResult> scanBatch(ScannerDevice device,
                                                   SurveyConfiguration configuration) = 0;

    // Stops a running scan; the pending scanBatch then fails with scanCanceled.
    virtual void cancelScan() {}
};
