#pragma once

#include "FrameImage.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

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

// A numeric option of an open device: its current value and what it takes,
// either a list of values or a range with an optional step.
struct NumberOption
{
    double value = 0;
    QList<double> values = {}; // empty for a range
    double min = 0;
    double max = 0;
    double step = 0; // 0 = any value in the range

    bool operator==(const NumberOption&) const = default;
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

    // Other options by name, for scan settings. A device without the option
    // (or a layer that cannot reach it) gives nothing and `unsupported`.
    // Values of a settable string-list option.
    virtual QStringList listValues(const QString& /*option*/) { return {}; }
    // Names of the settable string-list options.
    virtual QStringList listOptions() { return {}; }
    virtual std::optional<NumberOption> number(const QString& /*option*/) { return std::nullopt; }
    virtual DeviceStatus setText(const QString& /*option*/, const QString& /*value*/)
    {
        return DeviceStatus::unsupported;
    }
    virtual DeviceStatus setNumber(const QString& /*option*/, double /*value*/)
    {
        return DeviceStatus::unsupported;
    }

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
