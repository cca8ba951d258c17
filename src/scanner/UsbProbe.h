#pragma once

#include "ScannerService.h"

#include <QList>
#include <QString>

// One USB device as the kernel lists it under /sys/bus/usb/devices.
struct UsbDevice
{
    QString name;     // "product", or "USB device"
    QString vendor;   // "manufacturer", or "Unknown vendor"
    QString location; // bus and port path, the sysfs name ("1-1.2")
    qint64 vendorID = 0;
    qint64 productID = 0;
    qint64 deviceClass = 0;
    bool hasStillImagingInterface = false;
    int busNumber = 0;
    int deviceNumber = 0;
};

inline const QString kUsbSysfsRoot = QStringLiteral("/sys/bus/usb/devices");

// Every device of the sysfs tree at `root`; empty when it cannot be read.
QList<UsbDevice> readUsbDevices(const QString& root = kUsbSysfsRoot);

// Still-imaging class (6) on the device or an interface, or a scanner maker's
// or scanning word in its names.
bool looksLikeScanner(const UsbDevice& device);

// The list entry for a device SANE cannot drive (not controllable).
ScannerDevice usbScannerEntry(const UsbDevice& device);

// Adds the scanner-like USB devices that are not the same hardware as a
// SANE entry (same id, same name ignoring case, or a SANE device name that
// addresses the same bus and device number), then sorts the whole list.
QList<ScannerDevice> mergeUsbDevices(QList<ScannerDevice> saneEntries,
                                     const QList<UsbDevice>& usbDevices);

// Natural, case-insensitive order by name; stable.
void sortScannersByName(QList<ScannerDevice>& devices);
