#include "scanner/UsbProbe.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

QString fixtureRoot()
{
    return testsupport::sourceDir() + "/tests/scanner/fixtures/usb";
}

std::string namesOf(const QList<ScannerDevice>& devices)
{
    QStringList names;
    for (const ScannerDevice& device : devices)
        names.append(device.name);
    return names.join(" | ").toStdString();
}

TEST(UsbProbe, ReadsTheSysfsTree)
{
    const QList<UsbDevice> devices = readUsbDevices(fixtureRoot());
    ASSERT_EQ(devices.size(), 7); // interfaces are not devices
    const UsbDevice& imaging = devices[0];
    EXPECT_EQ(imaging.location.toStdString(), "1-1");
    EXPECT_EQ(imaging.vendorID, 0x1a2b);
    EXPECT_EQ(imaging.productID, 0x10);
    EXPECT_TRUE(imaging.hasStillImagingInterface);
    EXPECT_FALSE(devices[1].hasStillImagingInterface);
    EXPECT_EQ(devices[3].vendor.toStdString(), "Unknown vendor");
    EXPECT_TRUE(readUsbDevices(fixtureRoot() + "/missing").isEmpty());
}

TEST(UsbProbe, KeepsScannerLikeDevicesAndNamesThem)
{
    const QList<ScannerDevice> entries = mergeUsbDevices({}, readUsbDevices(fixtureRoot()));
    // Sorted naturally; the keyboard and the root hub are dropped.
    // Acme: a still-imaging interface and no keyword; DocuScan: no vendor, so
    // the product alone; Epson: the vendor is already in the product.
    EXPECT_EQ(namesOf(entries), "Acme Imaging LiDE 300 | DocuScan 5 | Epson Perfection V39 | "
                                "Fujitsu fi-7160 | Fujitsu ScanSnap S1500");
    const ScannerDevice& lide = entries[0];
    EXPECT_EQ(lide.id.toStdString(), "usb-6699-16-1-1-LiDE 300");
    EXPECT_EQ(lide.connection.toStdString(), "USB");
    EXPECT_FALSE(lide.isControllable);
    EXPECT_FALSE(lide.hasDocumentFeeder);
}

TEST(UsbProbe, HardwareSaneAlreadyDrivesIsNotListedTwice)
{
    const auto device = [](const char* id, const char* name) {
        ScannerDevice device;
        device.id = id;
        device.name = name;
        return device;
    };
    const QList<ScannerDevice> merged =
        mergeUsbDevices({device("epson2:net:10.0.0.5", "EPSON perfection v39"), // by name
                         device("fujitsu:libusb:001:007", "FUJITSU fi-7160dj"), // by address
                         device("test:10", "Scanner 10"), device("test:9", "scanner 9")},
                        readUsbDevices(fixtureRoot()));
    EXPECT_EQ(namesOf(merged),
              "Acme Imaging LiDE 300 | DocuScan 5 | EPSON perfection v39 | FUJITSU fi-7160dj | "
              "Fujitsu ScanSnap S1500 | scanner 9 | Scanner 10");
}

} // namespace
