// The scan settings on the SANE test backend, read at full speed (the other
// SANE tests slow the backend down to cancel in the middle of a pass, and
// SANE reads its configuration once per process).
#include "SaneTestBackend.h"
#include "ScanOutcome.h"
#include "scanner/SaneScannerService.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SaneScanSettingsTest : public ::testing::Test
{
protected:
    // One page from the flatbed with these settings.
    QImage scanned(int resolution, ScanColour colour)
    {
        ScanSettings settings;
        settings.resolution = resolution;
        settings.colour = colour;
        settings.source = ScanSource::flatbed;
        service.setScanSettings(settings);
        const QList<ScannerDevice> devices = testsupport::runTask(service.discoverScanners());
        const auto outcome = runScan(
            service.scanBatch(devices.value(0), scanConfiguration(DuplexMode::simplex, false)));
        if (!outcome.value || outcome.value->pages.size() != 1) {
            ADD_FAILURE() << outcome.message();
            return {};
        }
        return QImage(outcome.value->pages.first().fileURL.toLocalFile());
    }

    QTemporaryDir root;
    SaneScannerService service{SaneTestBackend::start("number_of_devices 1\n"),
                               SaneServiceOptions{root.path(), root.filePath("no-usb"), {}}};
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

} // namespace
