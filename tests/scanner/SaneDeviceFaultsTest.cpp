#include "FakeDeviceLayer.h"
#include "ScanOutcome.h"
#include "scanner/SaneScannerService.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// The service over a scripted device, with every bound cut to a second or
// two (long enough for a loaded machine, short enough for the suite).
class SaneDeviceFaultsTest : public ::testing::Test
{
protected:
    SaneDeviceFaultsTest()
        : script(std::make_shared<FakeScript>()),
          worker(std::make_shared<ScanWorker>([s = script] { return makeFakeDeviceLayer(s); })),
          service(worker, SaneServiceOptions{root.path(), root.filePath("no-usb"),
                                             SaneTimeouts{1000ms, 1500ms, 1500ms, 1200ms, 2000ms}})
    {
    }

    ~SaneDeviceFaultsTest() override { script->released = true; }

    ScannerDevice discovered()
    {
        const auto devices = runScan(service.discoverScanners());
        if (!devices.value || devices.value->isEmpty()) {
            ADD_FAILURE() << "fake:1 not discovered";
            return {};
        }
        return devices.value->first();
    }

    ScanOutcome<ScanBatchResult> scan(DuplexMode mode = DuplexMode::simplex, bool bothSides = false)
    {
        SurveyConfiguration config;
        config.duplexMode = mode;
        config.scanBothSides = bothSides;
        return runScan(service.scanBatch(discovered(), config));
    }

    int filesOnDisk() const
    {
        int count = 0;
        for (const QString& folder : QDir(root.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            count += int(QDir(root.filePath(folder)).entryList(QDir::Files).size());
        return count;
    }

    QTemporaryDir root;
    std::shared_ptr<FakeScript> script;
    std::shared_ptr<ScanWorker> worker;
    SaneScannerService service;
};

TEST_F(SaneDeviceFaultsTest, DiscoveryDescribesTheDevice)
{
    const ScannerDevice device = discovered();
    EXPECT_EQ(device.id.toStdString(), "fake:1");
    EXPECT_EQ(device.name.toStdString(), "Acme Feeder 9");
    EXPECT_EQ(device.connection.toStdString(), "sheetfed scanner");
    EXPECT_TRUE(device.hasDocumentFeeder);
}

TEST_F(SaneDeviceFaultsTest, HungDiscoveryReturnsWhatIsKnownAtTheBound)
{
    const ScannerDevice known = discovered();
    script->listDelayMs = FakeScript::hang;
    QElapsedTimer clock;
    clock.start();
    const auto devices = runScan(service.discoverScanners());
    EXPECT_LT(clock.elapsed(), 3000);
    ASSERT_TRUE(devices.value);
    ASSERT_EQ(devices.value->size(), 1);
    EXPECT_EQ(devices.value->first(), known);
}

TEST_F(SaneDeviceFaultsTest, OpenThatNeverAnswersTimesOut)
{
    const ScannerDevice device = discovered();
    script->openDelayMs = FakeScript::hang;
    SurveyConfiguration config;
    const auto outcome = runScan(service.scanBatch(device, config));
    EXPECT_EQ(outcome.message(), "Failed to open a connection to the device. The scanner driver "
                                 "did not respond within 1.5 seconds.");
}

TEST_F(SaneDeviceFaultsTest, SlowFeederThatKeepsDeliveringIsNotCutOff)
{
    // Five pages at 300 ms each take longer than the 1.2-second bound, but
    // no single page does.
    script->pages = 5;
    script->pageDelayMs = 300;
    QElapsedTimer clock;
    clock.start();
    const auto outcome = scan();
    ASSERT_TRUE(outcome.value) << outcome.message();
    EXPECT_EQ(outcome.value->pages.size(), 5);
    EXPECT_GT(clock.elapsed(), 1200);
}

TEST_F(SaneDeviceFaultsTest, StalledFeederFailsAfterTheBoundAndKeepsItsPages)
{
    script->pages = 5;
    script->stallAfterPages = 2;
    const auto outcome = scan();
    EXPECT_EQ(outcome.message(), "Failed to open a connection to the device. The scanner driver "
                                 "did not respond within 1.2 seconds.");
    EXPECT_EQ(filesOnDisk(), 2);
}

TEST_F(SaneDeviceFaultsTest, CancelEndsTheBatchEvenWhileTheDriverIsStuck)
{
    script->stallAfterPages = 1;
    QObject::connect(&service, &SaneScannerService::pageScanned, [this] { service.cancelScan(); });
    const auto outcome = scan();
    EXPECT_EQ(outcome.message(), "The scan was canceled.");
    EXPECT_EQ(filesOnDisk(), 1);
}

TEST_F(SaneDeviceFaultsTest, DeviceRemovedMidPassIsUnavailable)
{
    script->removeAfterPages = 1;
    const auto outcome = scan();
    EXPECT_EQ(outcome.message(), "The selected scanner is no longer available.");
    EXPECT_EQ(filesOnDisk(), 1);
}

TEST_F(SaneDeviceFaultsTest, BrokenDriverLayerEndsTheBatchAtOnce)
{
    script->throwOnRead = true;
    EXPECT_EQ(
        scan().message(),
        "Failed to open a connection to the device. The scanner operation ended unexpectedly.");
    // The worker survives for the next batch.
    script->throwOnRead = false;
    EXPECT_TRUE(scan().value);
}

TEST_F(SaneDeviceFaultsTest, DriverFailuresCarryTheirDetail)
{
    const ScannerDevice device = discovered();
    SurveyConfiguration config;
    config.scanBothSides = false;

    script->openStatus = DeviceStatus::invalid;
    EXPECT_EQ(runScan(service.scanBatch(device, config)).message(),
              "Failed to open a connection to the device. The scanner driver rejected one of the "
              "scan settings. "
              "This often means the selected source, duplex mode, resolution, or file format is "
              "not supported by "
              "the driver.");

    script->openStatus = DeviceStatus::good;
    script->startStatus = DeviceStatus::jammed;
    EXPECT_EQ(runScan(service.scanBatch(device, config)).message(),
              "Document feeder jammed [domain: SANE, code: 6]");
    EXPECT_GE(script->cancels, 1); // the device is left idle after a failure
}

TEST_F(SaneDeviceFaultsTest, BusyDeviceIsWaitedOut)
{
    script->busyStarts = 2;
    const auto outcome = scan();
    ASSERT_TRUE(outcome.value) << outcome.message();
    EXPECT_EQ(outcome.value->pages.size(), 3);
}

TEST_F(SaneDeviceFaultsTest, EmptyFeederProducesNoFiles)
{
    script->pages = 0;
    EXPECT_EQ(scan().message(), "The scanner finished, but no image files were received.");
}

TEST_F(SaneDeviceFaultsTest, SourcesFollowTheWantedSides)
{
    script->setSources({"Flatbed", "ADF Front", "ADF Duplex"});
    ASSERT_TRUE(scan(DuplexMode::automatic, true).value);
    ASSERT_TRUE(scan(DuplexMode::simplex, true).value);
    EXPECT_EQ(script->settings(), QStringList({"source=ADF Duplex", "source=ADF Front"}));
}

TEST_F(SaneDeviceFaultsTest, FlatbedScansOnePage)
{
    script->setSources({"Flatbed"});
    script->pages = 3;
    const auto outcome = scan();
    ASSERT_TRUE(outcome.value) << outcome.message();
    EXPECT_EQ(outcome.value->pages.size(), 1);
    EXPECT_TRUE(script->settings().isEmpty());
}

} // namespace
