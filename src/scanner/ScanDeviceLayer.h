#pragma once

#include "FrameImage.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// SANE status codes, same numbers as SANE_Status, so this header stays free
// of the SANE headers.
enum class DeviceStatus
{
    good = 0,
    unsupported = 1,
    cancelled = 2,
    deviceBusy = 3,
    invalid = 4,
    endOfFile = 5,
    jammed = 6,
    noDocuments = 7,
    coverOpen = 8,
    ioError = 9,
    noMemory = 10,
    accessDenied = 11,
};

// One device as the backend lists it.
struct DeviceListing
{
    QString name;
    QString vendor;
    QString model;
    QString type;
};

// An open device. Every call blocks and is made on the scanner worker thread
// only; destroying the handle closes the device.
class ScanDeviceHandle
{
public:
    virtual ~ScanDeviceHandle() = default;

    // Values of the "source" option (empty when it has none).
    virtual QStringList sources() = 0;
    // Names of the settable boolean options.
    virtual QStringList booleanOptions() = 0;
    virtual DeviceStatus setSource(const QString& source) = 0;
    virtual DeviceStatus setBoolean(const QString& option, bool value) = 0;

    virtual DeviceStatus start() = 0;
    virtual DeviceStatus parameters(FrameFormat& format) = 0;
    virtual DeviceStatus read(unsigned char* buffer, int maxLength, int* length) = 0;
    virtual void cancel() = 0;
};

// The blocking scanner calls, behind one seam so that hung or vanishing
// devices can be played by a substitute. Made and used on the worker thread.
class ScanDeviceLayer
{
public:
    virtual ~ScanDeviceLayer() = default;

    virtual QList<DeviceListing> listDevices() = 0;
    virtual DeviceStatus open(const QString& name, std::unique_ptr<ScanDeviceHandle>& handle) = 0;
    virtual QString statusText(DeviceStatus status) = 0;
};

// The operator-facing detail of a failed call.
QString deviceErrorDetail(ScanDeviceLayer& layer, DeviceStatus status);
