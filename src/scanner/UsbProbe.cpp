#include "UsbProbe.h"

#include "model/NaturalOrder.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <algorithm>

namespace {

QString readAttribute(const QDir& dir, const QString& name)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

qint64 hexAttribute(const QDir& dir, const QString& name)
{
    bool ok = false;
    const qint64 value = readAttribute(dir, name).toLongLong(&ok, 16);
    return ok ? value : 0;
}

const QStringList kScannerKeywords = {
    QStringLiteral("scanner"),   QStringLiteral("scan"),    QStringLiteral("canon"),
    QStringLiteral("epson"),     QStringLiteral("fujitsu"), QStringLiteral("brother"),
    QStringLiteral("hewlett"),   QStringLiteral("hp"),      QStringLiteral("ricoh"),
    QStringLiteral("xerox"),     QStringLiteral("kodak"),   QStringLiteral("plustek"),
    QStringLiteral("panasonic"),
};

constexpr qint64 kStillImagingClass = 6;
constexpr qint64 kHubClass = 9;

} // namespace

QList<UsbDevice> readUsbDevices(const QString& root)
{
    const QDir rootDir(root);
    const QStringList entries = rootDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QList<UsbDevice> devices;
    for (const QString& entry : entries) {
        // Interfaces are listed beside their devices as "<device>:<config>.<n>".
        if (entry.contains(QLatin1Char(':')))
            continue;
        const QDir dir(rootDir.filePath(entry));
        if (readAttribute(dir, QStringLiteral("idVendor")).isEmpty())
            continue;
        UsbDevice device;
        device.name = readAttribute(dir, QStringLiteral("product"));
        if (device.name.isEmpty())
            device.name = QStringLiteral("USB device");
        device.vendor = readAttribute(dir, QStringLiteral("manufacturer"));
        if (device.vendor.isEmpty())
            device.vendor = QStringLiteral("Unknown vendor");
        device.location = entry;
        device.vendorID = hexAttribute(dir, QStringLiteral("idVendor"));
        device.productID = hexAttribute(dir, QStringLiteral("idProduct"));
        device.deviceClass = hexAttribute(dir, QStringLiteral("bDeviceClass"));
        device.busNumber = readAttribute(dir, QStringLiteral("busnum")).toInt();
        device.deviceNumber = readAttribute(dir, QStringLiteral("devnum")).toInt();
        const QStringList interfaces =
            rootDir.entryList({entry + QStringLiteral(":*")}, QDir::Dirs);
        for (const QString& interface : interfaces)
            if (hexAttribute(QDir(rootDir.filePath(interface)),
                             QStringLiteral("bInterfaceClass")) == kStillImagingClass)
                device.hasStillImagingInterface = true;
        devices.append(device);
    }
    return devices;
}

bool looksLikeScanner(const UsbDevice& device)
{
    if (device.deviceClass == kStillImagingClass || device.hasStillImagingInterface)
        return true;
    // Hubs carry the host controller's names ("xHCI Host Controller"), never
    // a scanner's.
    if (device.deviceClass == kHubClass)
        return false;
    const QString text = (device.name + QLatin1Char(' ') + device.vendor).toLower();
    return std::any_of(kScannerKeywords.begin(), kScannerKeywords.end(),
                       [&text](const QString& keyword) { return text.contains(keyword); });
}

ScannerDevice usbScannerEntry(const UsbDevice& device)
{
    ScannerDevice entry;
    entry.id = QStringLiteral("usb-%1-%2-%3-%4")
                   .arg(device.vendorID)
                   .arg(device.productID)
                   .arg(device.location, device.name);
    const bool vendorInName = device.name.contains(device.vendor, Qt::CaseInsensitive);
    entry.name = device.vendor == QStringLiteral("Unknown vendor") || vendorInName
                     ? device.name
                     : device.vendor + QLatin1Char(' ') + device.name;
    entry.connection = QStringLiteral("USB");
    entry.supportsDuplex = false;
    entry.hasDocumentFeeder = false;
    entry.isOnline = true;
    entry.isControllable = false;
    entry.statusDetail =
        QStringLiteral("Linux can see this USB device, but SANE cannot drive it. Install or enable "
                       "the scanner's SANE driver, then refresh scanners.");
    return entry;
}

QList<ScannerDevice> mergeUsbDevices(QList<ScannerDevice> saneEntries,
                                     const QList<UsbDevice>& usbDevices)
{
    QSet<QString> ids;
    QSet<QString> names;
    for (const ScannerDevice& entry : saneEntries) {
        ids.insert(entry.id);
        names.insert(entry.name.toLower());
    }
    const auto addressedBySane = [&saneEntries](const UsbDevice& device) {
        if (device.busNumber <= 0 || device.deviceNumber <= 0)
            return false;
        // USB backends name devices "<backend>:libusb:<bus>:<device>".
        const QString address = QStringLiteral("libusb:%1:%2")
                                    .arg(device.busNumber, 3, 10, QLatin1Char('0'))
                                    .arg(device.deviceNumber, 3, 10, QLatin1Char('0'));
        return std::any_of(
            saneEntries.begin(), saneEntries.end(),
            [&address](const ScannerDevice& entry) { return entry.id.contains(address); });
    };
    QList<ScannerDevice> merged = saneEntries;
    for (const UsbDevice& device : usbDevices) {
        if (!looksLikeScanner(device) || addressedBySane(device))
            continue;
        const ScannerDevice entry = usbScannerEntry(device);
        if (ids.contains(entry.id) || names.contains(entry.name.toLower()))
            continue;
        merged.append(entry);
    }
    sortScannersByName(merged);
    return merged;
}

void sortScannersByName(QList<ScannerDevice>& devices)
{
    std::stable_sort(
        devices.begin(), devices.end(),
        [](const ScannerDevice& a, const ScannerDevice& b) { return naturalLess(a.name, b.name); });
}
