#include "TestSupport.h"
#include "scanner/BatchFolder.h"
#include "scanner/FrameImage.h"
#include "scanner/PageNumbering.h"
#include "scanner/ScannerService.h"
#include "scanner/SourceSelection.h"
#include "scanner/UsbProbe.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Sources are known by the words backends use; the feeder comes first, duplex
// only when wanted, the flatbed for templates or on request.
TEST(SourceSelection, SourcesAreKnownByTheirWordsAndPlannedAsTheScanNeeds)
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

TEST(SourceSelection, DuplexSwitchColourModeAndResolutionAreChosenByMeaning)
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

    // The nearest resolution at or above the wanted one.
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

TEST(FrameImage, FramesBecomeImagesSkippingLinePaddingAndUnreadableLayoutsAreRefused)
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
    // (9, 0) is bit 6 of the second byte: a set bit is black.
    for (const auto& [x, y, grey] :
         {std::tuple{0, 0, 0}, {1, 0, 255}, {9, 0, 0}, {8, 0, 255}, {0, 1, 255}})
        EXPECT_EQ(qGray(image.pixel(x, y)), grey) << x << "," << y;

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
    ASSERT_TRUE(threePass.addFrame(format(FrameFormat::Kind::blue, 8, 1, 1, 1),
                                   QByteArray("\x70", 1), nullptr));
    EXPECT_EQ(threePass.image().pixel(0, 0), qRgb(0x50, 0, 0x70));

    QString error;
    PageAssembler refused;
    EXPECT_FALSE(
        refused.addFrame(format(FrameFormat::Kind::gray, 8, 4, 2, 1), QByteArray(4, 0), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(
        refused.addFrame(format(FrameFormat::Kind::gray, 4, 4, 2, 1), QByteArray(4, 0), &error));
    EXPECT_FALSE(
        refused.addFrame(format(FrameFormat::Kind::gray, 8, 4, 4, 1), QByteArray(), &error));
    EXPECT_TRUE(refused.image().isNull());
}

QString fixtureRoot()
{
    return testsupport::sourceDir() + "/tests/scanner/fixtures/usb";
}

std::string namesOf(const QList<ScannerDevice>& devices)
{
    return testsupport::mapped(devices, &ScannerDevice::name).join(" | ").toStdString();
}

// Interfaces are not devices; of the rest, scanner-like ones are kept, sorted
// naturally; the keyboard and the root hub are dropped. Acme: a still-imaging
// interface and no keyword; DocuScan: no vendor, so the product alone; Epson:
// the vendor is already in the product. Hardware SANE drives is not listed twice.
TEST(UsbProbe, ReadsTheSysfsTreeAndKeepsScannerLikeDevicesSaneDoesNotList)
{
    const QList<UsbDevice> devices = readUsbDevices(fixtureRoot());
    ASSERT_EQ(devices.size(), 7);
    EXPECT_TRUE(devices[0].hasStillImagingInterface && !devices[1].hasStillImagingInterface);
    EXPECT_EQ(devices[3].vendor.toStdString(), "Unknown vendor");
    EXPECT_TRUE(readUsbDevices(fixtureRoot() + "/missing").isEmpty());

    const QList<ScannerDevice> entries = mergeUsbDevices({}, devices);
    EXPECT_EQ(namesOf(entries), "Acme Imaging LiDE 300 | DocuScan 5 | Epson Perfection V39 | "
                                "Fujitsu fi-7160 | Fujitsu ScanSnap S1500");
    EXPECT_EQ(entries[0].id.toStdString(), "usb-6699-16-1-1-LiDE 300");
    EXPECT_EQ(entries[0].connection.toStdString(), "USB");
    EXPECT_FALSE(entries[0].isControllable || entries[0].hasDocumentFeeder);

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
                        devices);
    EXPECT_EQ(namesOf(merged),
              "Acme Imaging LiDE 300 | DocuScan 5 | EPSON perfection v39 | FUJITSU fi-7160dj | "
              "Fujitsu ScanSnap S1500 | scanner 9 | Scanner 10");
}

struct Expected
{
    qint64 survey;
    SurveySide side;
};

void expectNumbering(const QList<ScanPage>& pages, const QList<Expected>& expected)
{
    ASSERT_EQ(pages.size(), expected.size());
    for (qsizetype i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pages[i].surveyNumber, expected[i].survey);
        EXPECT_EQ(pages[i].side, expected[i].side);
        EXPECT_EQ(pages[i].pageNumber, i + 1);
    }
}

QStringList filesOf(const QList<ScanPage>& pages)
{
    return testsupport::mapped(pages, [](const ScanPage& p) { return p.fileURL.toLocalFile(); });
}

constexpr auto F = SurveySide::front;
constexpr auto B = SurveySide::back;

// Duplex alternates sides, an odd total leaving the last sheet without a
// back; manual two-sided pairs the n-th front with the n-th back, splitting
// files without a known pass boundary at half (of five, two fronts). Single
// sided sorts each pass by file name only, the first pass staying first.
TEST(PageNumbering, EachModeNumbersSurveysInNaturalOrderWithinEachPassAndGivesTheirResponses)
{
    const std::tuple<QList<QStringList>, PageNumbering, QList<Expected>, QStringList> cases[] = {
        {{{"1", "2", "3"}}, PageNumbering::automaticDuplex, {{1, F}, {1, B}, {2, F}}, {}},
        {{{"/b/f-1.png", "/b/f-2.png", "/b/f-3.png"}, {"/b/b-1.png", "/b/b-2.png", "/b/b-3.png"}},
         PageNumbering::manualTwoSided,
         {{1, F}, {2, F}, {3, F}, {1, B}, {2, B}, {3, B}},
         {"/b/f-1.png", "/b/f-2.png", "/b/f-3.png", "/b/b-1.png", "/b/b-2.png", "/b/b-3.png"}},
        {{{"f-1", "f-2", "f-3"}, {"b-1", "b-2"}},
         PageNumbering::manualTwoSided,
         {{1, F}, {2, F}, {1, B}, {2, B}, {3, B}},
         {}},
        {{{"/b/surveys-10.png", "/b/Surveys-2.png", "/b/surveys-1.png"}},
         PageNumbering::singleSided,
         {{1, F}, {2, F}, {3, F}},
         {"/b/surveys-1.png", "/b/Surveys-2.png", "/b/surveys-10.png"}},
        {{{"/z/b.png", "/z/a.png"}, {"/a/0.png"}},
         PageNumbering::singleSided,
         {{1, F}, {2, F}, {3, F}},
         {"/z/a.png", "/z/b.png", "/a/0.png"}},
    };
    for (const auto& [passes, numbering, expected, files] : cases) {
        SCOPED_TRACE(passes.first().join(' ').toStdString());
        const QList<ScanPage> pages = makePages(passes, numbering);
        expectNumbering(pages, expected);
        if (!files.isEmpty()) {
            EXPECT_EQ(filesOf(pages), files);
        }
        EXPECT_NE(pages[0].id, pages[1].id);
    }

    // One placeholder response a survey, blank for every question.
    const QDateTime now = QDateTime::currentDateTime();
    const auto responses =
        makePlaceholderResponses(makePages({{"1", "2", "3"}}, PageNumbering::singleSided), 14, now);
    EXPECT_EQ(responses.value(2), (SurveyResponse{3, now, QStringList(14, QString())}));
    EXPECT_EQ(responses.size(), 3);
    const auto duplex = makePages({{"1", "2", "3", "4", "5"}}, PageNumbering::automaticDuplex);
    EXPECT_EQ(makePlaceholderResponses(duplex, 2).size(), 3);
    EXPECT_EQ(makePlaceholderResponses({}, 2).size(), 1);
}

TEST(PageNumbering, TwoSidedPassesPairAtTheirBoundaryOrNotAtAll)
{
    const auto pages = makeTwoSidedPages({"/b/fronts-10.png", "/b/fronts-9.png"},
                                         {"/b/backs-9.png", "/b/backs-10.png"}, "/b");
    expectNumbering(pages, {{1, F}, {2, F}, {1, B}, {2, B}});
    EXPECT_EQ(filesOf(pages), QStringList({"/b/fronts-9.png", "/b/fronts-10.png", "/b/backs-9.png",
                                           "/b/backs-10.png"}));

    // Ten fronts and nine backs: a half split would make the tenth front
    // survey 1's back.
    QStringList fronts, backs;
    for (int i = 1; i <= 10; ++i) {
        fronts.append(QStringLiteral("/b/fronts-%1.png").arg(i));
        if (i < 10)
            backs.append(QStringLiteral("/b/backs-%1.png").arg(i));
    }
    EXPECT_EQ(testsupport::thrownText<ScannerServiceError>(
                  [&] { makeTwoSidedPages(fronts, backs, "/b"); }),
              "10 fronts and 9 backs were scanned. Feed the backs again.\n"
              "The scanned pages are kept in /b.");
}

TEST(BatchFolder, NameComesFromTheTitleTakenNamesGetASuffixParentsAreMadeAndErrorsThrow)
{
    EXPECT_EQ(batchFolderStem(" \t\n").toStdString(), "Survey");
    EXPECT_EQ(batchFolderStem("../../etc").toStdString(), "..-..-etc");
    QTemporaryDir temp;
    const QString root = temp.filePath("data/scans");
    const QString first = createBatchFolder(root, " A/B ", 1700000000);
    EXPECT_EQ(first.toStdString(), QDir(root).absoluteFilePath("A-B-1700000000").toStdString());
    EXPECT_TRUE(QDir(first).exists());
    for (const char* taken : {"A-B-1700000000-2", "A-B-1700000000-3"})
        EXPECT_EQ(QDir(createBatchFolder(root, "A/B", 1700000000)).dirName().toStdString(), taken);
    EXPECT_EQ(QDir(createBatchFolder(root, "", 5)).dirName().toStdString(), "Survey-5");

    // An unwritable root is an error; the default root is not temporary.
    testsupport::writeBytes(temp.filePath("file"), "");
    EXPECT_THROW(createBatchFolder(temp.filePath("file/scans"), "A", 1), ScannerServiceError);
    EXPECT_TRUE(defaultScanRoot().endsWith("/scans"));
    EXPECT_FALSE(defaultScanRoot().startsWith(QDir::tempPath()));
}

} // namespace
