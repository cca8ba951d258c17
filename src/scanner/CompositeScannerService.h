#pragma once

#include "ScannerService.h"

#include <QHash>
#include <QList>
#include <memory>

/// One scanner list made of several services (SANE scanners, the import
/// device, the sample feeder). Each batch goes to the service that listed
/// its device.
class CompositeScannerService : public ScannerService
{
public:
    void addService(std::shared_ptr<ScannerService> service);

    QCoro::Task<QList<ScannerDevice>> discoverScanners() override;
    QCoro::Task<ScanBatchResult> scanBatch(ScannerDevice device, SurveyConfiguration configuration,
                                           PageDelivered delivered = {}) override;
    void cancelScan() override;
    void setScanSettings(const ScanSettings& settings) override;

private:
    QList<std::shared_ptr<ScannerService>> m_services;
    QHash<QString, ScannerService*> m_owners; // device id -> service that listed it
    ScannerService* m_active = nullptr;
};
