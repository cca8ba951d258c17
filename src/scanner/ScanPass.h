#pragma once

#include "ScanDeviceLayer.h"
#include "ScanSettings.h"
#include "ScannerService.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <functional>

// One scan pass as the worker thread runs it.
struct ScanPassRequest
{
    QString deviceName;
    QString folder;
    QString documentName; // file stem: "fronts" gives fronts-1.png, ...
    bool wantDuplex = false;
    ScanSettings settings;
    // How long a busy device is waited for before the pass fails.
    std::chrono::milliseconds busyWait{5000};
};

// What the worker reports while a pass runs, in this order: opened, ready,
// any number of pages, then finished or failed.
struct ScanPassEvent
{
    enum class Kind
    {
        opened,
        ready,
        page,
        finished,
        failed
    };
    Kind kind = Kind::finished;
    QString file;                                                              // page
    ScannerServiceError::Kind errorKind = ScannerServiceError::Kind::platform; // failed
    QString errorDetail;                                                       // failed
    bool feeder = false; // ready: the pass scans from a feeder, not the flatbed
    bool duplex = false; // ready: the device was set to scan both sides

    static ScanPassEvent of(Kind kind)
    {
        ScanPassEvent event;
        event.kind = kind;
        return event;
    }
    static ScanPassEvent page(const QString& file)
    {
        ScanPassEvent event = of(Kind::page);
        event.file = file;
        return event;
    }
    static ScanPassEvent failure(ScannerServiceError::Kind errorKind, const QString& detail = {})
    {
        ScanPassEvent event = of(Kind::failed);
        event.errorKind = errorKind;
        event.errorDetail = detail;
        return event;
    }
};

// Set from the interface thread; checked between device calls.
struct ScanPassControl
{
    std::atomic<bool> canceled{false};
};

using ScanPassSink = std::function<void(const ScanPassEvent&)>;

// Runs one pass to its end on the calling (worker) thread: opens the device,
// chooses the source, then (reading the options again, since backends change
// them with the source) the duplex switch, colour mode, resolution and the
// largest scan area; scans one page (flatbed) or pages until the feeder is
// empty, writes each as "<documentName>-<n>.png" and closes the device.
void runScanPass(ScanDeviceLayer& layer, const ScanPassRequest& request,
                 const ScanPassControl& control, const ScanPassSink& sink);
