#include "TestSupport.h"
#include "scanner/FrameImage.h"
#include "scanner/SourceSelection.h"
#include "scanner/UsbProbe.h"

#include <gtest/gtest.h>

namespace {

TEST(SourceSelection, SourcesAreKnownByTheWordsBackendsUse)
{
    for (const char* feeder : {"ADF", "ADF Front", "Automatic Document Feeder", "Document Feeder",
                               "adf simplex", "Sheetfed"})
        EXPECT_EQ(sourceKind(feeder), SourceKind::feeder) << feeder;
    for (const char* duplex : {"ADF Duplex", "Duplex", "Automatic Document Feeder (duplex)",
                               "ADF Both Sides", "Two-sided"})
        EXPECT_EQ(sourceKind(duplex), SourceKind::duplexFeeder) << duplex;
    for (const char* flatbed : {"Flatbed", "Document Table", "Platen", "Glass"})
        EXPECT_EQ(sourceKind(flatbed), SourceKind::flatbed) << flatbed;
    for (const char* other : {"ADF Back", "Transparency Adapter", "Film"})
        EXPECT_EQ(sourceKind(other), SourceKind::other) << other;
    EXPECT_TRUE(namesFeeder({"Flatbed", "ADF Front"}));
    EXPECT_FALSE(namesFeeder({"Flatbed", "Transparency Adapter", "ADF Back"}));
    EXPECT_FALSE(namesFlatbed({"ADF"}));
}

TEST(SourceSelection, FeederFirstDuplexOnlyWhenWantedFlatbedForTemplatesOrOnRequest)
{
    const QStringList fujitsu = {"Flatbed", "ADF Front", "ADF Back", "ADF Duplex"};
    EXPECT_EQ(planSources(fujitsu, true), (SourcePlan{"ADF Duplex", true, true}));
    EXPECT_EQ(planSources(fujitsu, false), (SourcePlan{"ADF Front", true, false}));
    EXPECT_EQ(planSources(fujitsu, true, ScanSource::flatbed), (SourcePlan{"Flatbed"}));
    EXPECT_EQ(planSources(fujitsu, false, ScanSource::automatic, true), (SourcePlan{"Flatbed"}));
    // A template scan asked for the feeder stays on the feeder.
    EXPECT_EQ(planSources(fujitsu, false, ScanSource::feeder, true),
              (SourcePlan{"ADF Front", true, false}));
    // Without a flatbed the feeder is the only way in.
    EXPECT_EQ(planSources({"ADF"}, false, ScanSource::flatbed, true),
              (SourcePlan{"ADF", true, false}));
    // A duplex-only feeder is not used for one side.
    EXPECT_EQ(planSources({"Flatbed", "ADF Duplex"}, false), SourcePlan{});
    EXPECT_EQ(planSources({}, true), SourcePlan{});
}

TEST(SourceSelection, DuplexSwitchesBooleanOrListAndColourModesByMeaning)
{
    EXPECT_EQ(planDuplexSwitch({"preview", "duplex"}, {}, {}, true), (DuplexSwitch{"duplex"}));
    EXPECT_EQ(planDuplexSwitch({"scan-both-sides"}, {}, {}, false),
              (DuplexSwitch{"scan-both-sides"}));
    EXPECT_EQ(planDuplexSwitch({"preview"}, "adf-mode", {"Simplex", "Duplex"}, true),
              (DuplexSwitch{"adf-mode", true, "Duplex"}));
    EXPECT_EQ(planDuplexSwitch({}, "adf-mode", {"Simplex", "Duplex"}, false),
              (DuplexSwitch{"adf-mode", true, "Simplex"}));
    EXPECT_EQ(planDuplexSwitch({"preview"}, {}, {}, true), DuplexSwitch{});

    const QStringList modes = {"Lineart", "Halftone", "Binary", "True Gray", "Color"};
    EXPECT_EQ(chooseMode(modes, ScanColour::grey), "True Gray");
    EXPECT_EQ(chooseMode(modes, ScanColour::colour), "Color");
    EXPECT_EQ(chooseMode({"Lineart", "16bit Gray", "8bit Gray"}, ScanColour::grey), "8bit Gray");
    EXPECT_EQ(chooseMode({"Grayscale", "48bit Color", "24bit Color"}, ScanColour::colour),
              "24bit Color");
    EXPECT_EQ(chooseMode({"Lineart", "Halftone"}, ScanColour::grey), "");
}

TEST(SourceSelection, ResolutionIsTheNearestAtOrAboveTheWantedOne)
{
    NumberOption list;
    list.values = {600, 150, 300};
    EXPECT_EQ(chooseResolution(list, 200), 300);
    EXPECT_EQ(chooseResolution(list, 300), 300);
    EXPECT_EQ(chooseResolution(list, 1200), 600);
    NumberOption range;
    range.min = 50;
    range.max = 1200;
    EXPECT_EQ(chooseResolution(range, 300), 300);
    EXPECT_EQ(chooseResolution(range, 25), 50);
    range.step = 100; // 50, 150, 250, 350, ...
    EXPECT_EQ(chooseResolution(range, 300), 350);
    range.max = 320;
    EXPECT_EQ(chooseResolution(range, 300), 250);
}

FrameFormat format(FrameFormat::Kind kind, int depth, int pixels, int bytesPerLine, int lines)
{
    return FrameFormat{kind, true, bytesPerLine, pixels, lines, depth};
}

TEST(FrameImage, LineArtSetBitIsBlackAndLinePaddingIsSkipped)
{
    // 10 pixels need 2 bytes; the device pads lines to 3.
    const QByteArray data("\x80\x40\xff"
                          "\x00\x00\xff",
                          6);
    PageAssembler page;
    ASSERT_TRUE(page.addFrame(format(FrameFormat::Kind::gray, 1, 10, 3, 2), data, nullptr));
    const QImage image = page.image();
    ASSERT_EQ(image.size(), QSize(10, 2));
    EXPECT_EQ(image.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(qGray(image.pixel(0, 0)), 0);
    EXPECT_EQ(qGray(image.pixel(1, 0)), 255);
    EXPECT_EQ(qGray(image.pixel(9, 0)), 0); // bit 6 of the second byte
    EXPECT_EQ(qGray(image.pixel(8, 0)), 255);
    EXPECT_EQ(qGray(image.pixel(0, 1)), 255);
}

TEST(FrameImage, GrayAndColourFrames)
{
    PageAssembler gray;
    ASSERT_TRUE(gray.addFrame(format(FrameFormat::Kind::gray, 8, 2, 2, -1),
                              QByteArray("\x10\x20\x30\x40", 4), nullptr));
    EXPECT_EQ(gray.image().size(), QSize(2, 2)); // height from the data when unknown
    EXPECT_EQ(qGray(gray.image().pixel(1, 1)), 0x40);

    quint16 deep[2] = {0xabcd, 0x1234};
    PageAssembler gray16;
    ASSERT_TRUE(gray16.addFrame(format(FrameFormat::Kind::gray, 16, 2, 4, 1),
                                QByteArray(reinterpret_cast<const char*>(deep), 4), nullptr));
    EXPECT_EQ(qGray(gray16.image().pixel(0, 0)), 0xab);

    PageAssembler rgb;
    ASSERT_TRUE(rgb.addFrame(format(FrameFormat::Kind::rgb, 8, 1, 4, 1),
                             QByteArray("\x11\x22\x33\x00", 4), nullptr));
    EXPECT_EQ(rgb.image().pixel(0, 0), qRgb(0x11, 0x22, 0x33));

    PageAssembler threePass;
    FrameFormat red = format(FrameFormat::Kind::red, 8, 1, 1, 1);
    red.lastFrame = false;
    ASSERT_TRUE(threePass.addFrame(red, QByteArray("\x50", 1), nullptr));
    FrameFormat blue = format(FrameFormat::Kind::blue, 8, 1, 1, 1);
    ASSERT_TRUE(threePass.addFrame(blue, QByteArray("\x70", 1), nullptr));
    EXPECT_EQ(threePass.image().pixel(0, 0), qRgb(0x50, 0, 0x70));
}

TEST(FrameImage, RejectsLayoutsItCannotRead)
{
    QString error;
    PageAssembler page;
    EXPECT_FALSE(
        page.addFrame(format(FrameFormat::Kind::gray, 8, 4, 2, 1), QByteArray(4, 0), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(
        page.addFrame(format(FrameFormat::Kind::gray, 4, 4, 2, 1), QByteArray(4, 0), &error));
    EXPECT_FALSE(page.addFrame(format(FrameFormat::Kind::gray, 8, 4, 4, 1), QByteArray(), &error));
    EXPECT_TRUE(page.image().isNull());
}

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
