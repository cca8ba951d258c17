// The scan settings on the SANE test backend, read at full speed (the other
// SANE tests slow the backend down to cancel in the middle of a pass, and
// SANE reads its configuration once per process).
#include "ScanOutcome.h"
#include "TestSupport.h"
#include "scanner/SaneDeviceLayer.h"
#include "scanner/SaneScannerService.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testsupport::runTask;

class SaneScanSettingsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_config = new QTemporaryDir;
        for (const auto& [name, text] :
             {std::pair{"dll.conf", "test\n"}, std::pair{"test.conf", "number_of_devices 1\n"}}) {
            QFile file(s_config->filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(text);
        }
        qputenv("SANE_CONFIG_DIR", s_config->path().toLocal8Bit());
        s_worker =
            new std::shared_ptr<ScanWorker>(std::make_shared<ScanWorker>(&makeSaneDeviceLayer));
    }
    static void TearDownTestSuite()
    {
        delete s_worker;
        delete s_config;
    }

    SaneScanSettingsTest()
        : service(*s_worker,
                  SaneServiceOptions{root.path(), root.filePath("no-usb"), SaneTimeouts{}})
    {
    }

    // One page from the flatbed with these settings.
    QImage scanned(int resolution, ScanColour colour)
    {
        ScanSettings settings;
        settings.resolution = resolution;
        settings.colour = colour;
        settings.source = ScanSource::flatbed;
        service.setScanSettings(settings);
        const QList<ScannerDevice> devices = runTask(service.discoverScanners());
        if (devices.isEmpty()) {
            ADD_FAILURE() << "no test device";
            return {};
        }
        SurveyConfiguration oneSided;
        oneSided.duplexMode = DuplexMode::simplex;
        oneSided.scanBothSides = false;
        const auto outcome = runScan(service.scanBatch(devices.first(), oneSided));
        if (!outcome.value || outcome.value->pages.size() != 1) {
            ADD_FAILURE() << outcome.message();
            return {};
        }
        return QImage(outcome.value->pages.first().fileURL.toLocalFile());
    }

    static inline QTemporaryDir* s_config = nullptr;
    static inline std::shared_ptr<ScanWorker>* s_worker = nullptr;
    QTemporaryDir root;
    SaneScannerService service;
};

TEST_F(SaneScanSettingsTest, ResolutionModeAndAreaReachTheDeliveredFrames)
{
    // The backend's own defaults are 50 dpi over 80 x 100 mm; the whole
    // 200 x 200 mm glass at 300 dpi is 2362 pixels a side.
    const QImage grey = scanned(300, ScanColour::grey);
    EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);
    EXPECT_NEAR(grey.width(), 2362, 1);
    EXPECT_NEAR(grey.height(), 2362, 1);
    EXPECT_NEAR(grey.dotsPerMeterX() * 0.0254, 300, 0.5);

    const QImage colour = scanned(200, ScanColour::colour);
    // Saved as an RGB file (the test backend's page is black either way).
    EXPECT_NE(colour.format(), QImage::Format_Grayscale8);
    EXPECT_NEAR(colour.width(), 1575, 1);
    EXPECT_NEAR(colour.height(), 1575, 1);
}

TEST_F(SaneScanSettingsTest, DiscoveryTellsTheUnitsAndSettingsOfTheDevice)
{
    const QList<ScannerDevice> devices = runTask(service.discoverScanners());
    ASSERT_EQ(devices.size(), 1);
    EXPECT_TRUE(devices[0].hasDocumentFeeder);
    EXPECT_TRUE(devices[0].hasFlatbed);
    EXPECT_TRUE(devices[0].takesScanSettings);
    EXPECT_FALSE(devices[0].supportsDuplex);
}

} // namespace
