#pragma once

#include "scanner/ScanDeviceLayer.h"

#include <QMutex>
#include <QStringList>
#include <atomic>
#include <memory>

// What the fake device does; set by the test, read on the worker thread.
struct FakeScript
{
    static constexpr int hang = -1; // a call that does not return until released

    std::atomic<int> listDelayMs{0};
    std::atomic<int> openDelayMs{0};
    std::atomic<int> pageDelayMs{0};
    std::atomic<int> pages{3};
    std::atomic<int> stallAfterPages{-1};  // the next read blocks until released
    std::atomic<int> removeAfterPages{-1}; // the device vanishes: reads fail
    std::atomic<int> busyStarts{0};        // starts answered "busy" first
    std::atomic<bool> throwOnRead{false};  // the driver layer breaks down
    std::atomic<DeviceStatus> openStatus{DeviceStatus::good};
    std::atomic<DeviceStatus> startStatus{DeviceStatus::good};
    std::atomic<bool> released{false};
    std::atomic<bool> removed{false};
    std::atomic<int> cancels{0};

    void setSources(const QStringList& list);
    QStringList sources() const;
    void setBooleanOptions(const QStringList& list);
    QStringList booleanOptions() const;
    QStringList settings() const; // "source=...", "duplex=1", in order
    void record(const QString& setting);

    // Sleeps `ms` (or until released for `hang`), returning early on release.
    void pause(int ms) const;

private:
    mutable QMutex m_mutex;
    QStringList m_sources{QStringLiteral("Flatbed"), QStringLiteral("ADF")};
    QStringList m_booleanOptions;
    QStringList m_settings;
};

// A device layer with one device, "fake:1", playing the script.
std::unique_ptr<ScanDeviceLayer> makeFakeDeviceLayer(std::shared_ptr<FakeScript> script);
