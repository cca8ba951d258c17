#include "scanner/SaneScannerService.h"
#include "SaneTestBackend.h"
#include "ScanOutcome.h"
#include "scanner/BackSidePrompt.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Records what was on disk when the operator was asked to turn the stack.
class RecordingPrompt : public BackSidePrompt
{
public:
    RecordingPrompt(QString root, BackSideChoice answer) : m_root(std::move(root)), m_answer(answer)
    {
    }
    QCoro::Task<BackSideChoice> askToReloadBacks() override
    {
        filesWhenAsked.append(testsupport::batchFiles(m_root));
        co_return m_answer;
    }
    QList<QStringList> filesWhenAsked;

private:
    QString m_root;
    BackSideChoice m_answer;
};

class SaneScannerServiceTest : public ::testing::Test
{
protected:
    SaneScannerServiceTest()
        // Two devices at full speed; pages of 10 dpi unless a test asks for more.
        : service(SaneTestBackend::start("number_of_devices 2\n"),
                  SaneServiceOptions{root.path(), root.filePath("no-usb"), SaneTimeouts{}})
    {
        ScanSettings small;
        small.resolution = 10;
        service.setScanSettings(small);
    }

    ScannerDevice testDevice()
    {
        for (const ScannerDevice& device : testsupport::runTask(service.discoverScanners()))
            if (device.id == "test:0")
                return device;
        ADD_FAILURE() << "test:0 not discovered";
        return {};
    }

    static SurveyConfiguration configuration(DuplexMode mode, bool bothSides)
    {
        return scanConfiguration(mode, bothSides, "Ward survey", 3);
    }

    ScanOutcome<ScanBatchResult> scan(DuplexMode mode, bool bothSides)
    {
        return runScan(service.scanBatch(testDevice(), configuration(mode, bothSides)));
    }
    // The batch's result; a scanner error fails the test instead of hanging it.
    // Every page must have been reported as it came, in page order.
    ScanBatchResult scanned(DuplexMode mode, bool bothSides)
    {
        QStringList reported;
        const auto outcome = runScan(service.scanBatch(testDevice(), configuration(mode, bothSides),
                                                       [&](const QString& f) { reported << f; }));
        EXPECT_TRUE(outcome.value) << outcome.message();
        const ScanBatchResult batch = outcome.value.value_or(ScanBatchResult{});
        EXPECT_EQ(reported, testsupport::mapped(batch.pages, [](const ScanPage& page) {
                      return page.fileURL.toLocalFile();
                  }));
        return batch;
    }

    QTemporaryDir root;
    SaneScannerService service;
};

TEST_F(SaneScannerServiceTest, DiscoveredFeederWritesNumberedPagesIntoANewFolderOneBatchAtATime)
{
    const QList<ScannerDevice> devices = testsupport::runTask(service.discoverScanners());
    ASSERT_EQ(devices.size(), 2);
    const ScannerDevice& device = devices[1];
    EXPECT_EQ(std::tuple(device.id, device.name), std::tuple("test:1", "Noname frontend-tester"));
    EXPECT_TRUE(device.isControllable && device.isOnline && device.takesScanSettings);
    EXPECT_TRUE(device.hasDocumentFeeder && device.hasFlatbed && !device.supportsDuplex);

    const ScanBatchResult result = scanned(DuplexMode::simplex, true);

    // The test backend's feeder holds ten sheets.
    ASSERT_EQ(result.pages.size(), 10);
    const QFileInfo first(result.pages[0].fileURL.toLocalFile());
    EXPECT_EQ(first.fileName(), "surveys-1.png");
    EXPECT_EQ(first.dir().absolutePath(),
              QDir(root.path()).absoluteFilePath(first.dir().dirName()));
    EXPECT_TRUE(first.dir().dirName().startsWith("Ward survey-"));
    EXPECT_EQ(result.pages[9].fileURL.fileName(), "surveys-10.png");
    EXPECT_EQ(result.pages[9].surveyNumber, 10);
    ASSERT_EQ(result.responses.size(), 10);
    EXPECT_EQ(result.responses[0].answers, QStringList(3, QString()));

    // The whole 200 x 200 mm scan area at 10 dpi, solid black in grey.
    const QImage page(first.filePath());
    EXPECT_NEAR(page.width(), 79, 1);
    EXPECT_NEAR(page.height(), 79, 1);
    EXPECT_EQ(qGray(page.pixel(40, 40)), 0);

    // A second batch never shares the first one's folder.
    const ScanBatchResult second = scanned(DuplexMode::simplex, false);
    EXPECT_NE(QFileInfo(second.pages.value(0).fileURL.toLocalFile()).dir().path(),
              first.dir().path());

    // A second batch while one runs is refused, as is a device no longer there.
    const ScannerDevice test0 = testDevice();
    const SurveyConfiguration config = configuration(DuplexMode::simplex, false);
    QCoro::Task<ScanBatchResult> running = service.scanBatch(test0, config);
    EXPECT_EQ(runScan(service.scanBatch(test0, config)).message(), "A scan is already running.");
    const auto finished = runScan(std::move(running));
    ASSERT_TRUE(finished.value) << finished.message();
    EXPECT_EQ(finished.value->pages.size(), 10);

    ScannerDevice gone;
    gone.id = "test:7";
    EXPECT_EQ(runScan(service.scanBatch(gone, config)).message(),
              "The selected scanner is no longer available.");
}

// Declined, the fronts pair with nothing and stay on disk; accepted, the
// fronts were all on disk, and no back yet, when the operator was asked.
TEST_F(SaneScannerServiceTest, ManualTwoSidedAsksBetweenPassesAndPairsPages)
{
    RecordingPrompt declined(root.path(), BackSideChoice::cancel);
    service.setBackSidePrompt(&declined);
    auto outcome = scan(DuplexMode::manual, true);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), ScannerServiceError::Kind::twoSidedIncomplete);
    EXPECT_TRUE(outcome.message().starts_with(
        "10 fronts and 0 backs were scanned. Feed the backs again.\n"));
    EXPECT_EQ(testsupport::batchFiles(root.path()).size(), 10);

    RecordingPrompt prompt(root.path(), BackSideChoice::scanBacks);
    service.setBackSidePrompt(&prompt);
    const ScanBatchResult result = scanned(DuplexMode::manual, true);
    ASSERT_EQ(prompt.filesWhenAsked.size(), 1);
    EXPECT_EQ(prompt.filesWhenAsked[0].size(), 20);
    EXPECT_TRUE(prompt.filesWhenAsked[0].filter("backs").isEmpty());
    ASSERT_EQ(result.pages.size(), 20);
    EXPECT_EQ(result.pages[10].fileURL.fileName(), "backs-1.png");
    EXPECT_EQ(result.pages[10].surveyNumber, 1);
    EXPECT_EQ(result.pages[19].side, SurveySide::back);
    EXPECT_EQ(result.responses.size(), 10);
}

// The backend's own defaults are 50 dpi over 80 x 100 mm; the whole 200 x
// 200 mm glass at 300 dpi is 2362 pixels a side.
TEST_F(SaneScannerServiceTest, ResolutionModeAndAreaReachTheDeliveredFrames)
{
    const auto flatbedPage = [&](int resolution, ScanColour colour) {
        ScanSettings settings;
        settings.resolution = resolution;
        settings.colour = colour;
        settings.source = ScanSource::flatbed;
        service.setScanSettings(settings);
        const ScanBatchResult batch = scanned(DuplexMode::simplex, false);
        EXPECT_EQ(batch.pages.size(), 1);
        return QImage(batch.pages.value(0).fileURL.toLocalFile());
    };
    const QImage grey = flatbedPage(300, ScanColour::grey);
    EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);
    EXPECT_NEAR(grey.width(), 2362, 1);
    EXPECT_NEAR(grey.height(), 2362, 1);
    EXPECT_NEAR(grey.dotsPerMeterX() * 0.0254, 300, 0.5);

    const QImage colour = flatbedPage(200, ScanColour::colour);
    // Saved as an RGB file (the test backend's page is black either way).
    EXPECT_NE(colour.format(), QImage::Format_Grayscale8);
    EXPECT_NEAR(colour.width(), 1575, 1);
    EXPECT_NEAR(colour.height(), 1575, 1);
}

} // namespace
