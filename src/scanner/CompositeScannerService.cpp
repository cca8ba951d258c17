#include "CompositeScannerService.h"

#include "UsbProbe.h"

void CompositeScannerService::addService(std::shared_ptr<ScannerService> service)
{
    m_services.append(std::move(service));
}

QCoro::Task<QList<ScannerDevice>> CompositeScannerService::discoverScanners()
{
    QList<ScannerDevice> all;
    QHash<QString, ScannerService*> owners;
    // One after another: the services share the interface thread, and the
    // SANE one is bounded on its own.
    const auto services = m_services;
    for (const auto& service : services) {
        const QList<ScannerDevice> devices = co_await service->discoverScanners();
        for (const ScannerDevice& device : devices) {
            owners.insert(device.id, service.get());
            all.append(device);
        }
    }
    m_owners = owners;
    sortScannersByName(all);
    co_return all;
}

QCoro::Task<ScanBatchResult> CompositeScannerService::scanBatch(ScannerDevice device,
                                                                SurveyConfiguration configuration,
                                                                PageDelivered delivered)
{
    ScannerService* owner = m_owners.value(device.id);
    if (!owner) {
        co_await discoverScanners();
        owner = m_owners.value(device.id);
    }
    if (!owner)
        throw ScannerServiceError(ScannerServiceError::Kind::deviceUnavailable);
    m_active = owner;
    struct Clear
    {
        ScannerService*& active;
        ~Clear() { active = nullptr; }
    } clear{m_active};
    co_return co_await owner->scanBatch(std::move(device), std::move(configuration),
                                        std::move(delivered));
}

void CompositeScannerService::cancelScan()
{
    if (m_active)
        m_active->cancelScan();
}

void CompositeScannerService::setScanSettings(const ScanSettings& settings)
{
    for (const auto& service : m_services)
        service->setScanSettings(settings);
}
