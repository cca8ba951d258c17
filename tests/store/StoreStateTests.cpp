#include "StoreFixture.h"

#include <QSignalSpy>

using StoreState = StoreFixture;
// Scanner discovery and selection, which the batch flow owns.
using StoreBatchFlowScanners = StoreFixture;

TEST_F(StoreBatchFlowScanners, ScanConditionsFollowTheSelectedDevice)
{
    struct Case
    {
        const char* name;
        bool online, controllable;
        QString title;
        bool canStart, canTemplate;
    };
    const Case cases[] = {
        {"offline", false, true, QStringLiteral("Survey"), false, false},
        {"not controllable", true, false, QStringLiteral("Survey"), false, false},
        {"blank title", true, true, QStringLiteral("   "), false, true},
        {"ready", true, true, QStringLiteral("Survey"), true, true},
    };
    for (const Case& c : cases) {
        ScannerDevice device = onlineScanner(QStringLiteral("dev"));
        device.isOnline = c.online;
        device.isControllable = c.controllable;
        scanner.devices = {device};
        QCoro::waitFor(store.refreshScanners());
        store.setSelectedScannerID(QStringLiteral("dev"));
        SurveyConfiguration configuration = store.configuration();
        configuration.title = c.title;
        store.setConfiguration(configuration);
        EXPECT_EQ(store.canStartScan(), c.canStart) << c.name;
        EXPECT_EQ(store.canScanTemplate(), c.canTemplate) << c.name;
    }
    store.setSelectedScannerID(QStringLiteral("vanished"));
    EXPECT_FALSE(store.canStartScan());
    // With no device selected a scan does nothing at all.
    store.setSelectedScannerID(std::nullopt);
    QSignalSpy statusSpy(&store, &SurveyScanStore::statusMessageChanged);
    QCoro::waitFor(store.startScanBatch());
    EXPECT_EQ(statusSpy.count(), 0);
    EXPECT_TRUE(scanner.scanConfigurations.isEmpty());
}

TEST_F(StoreState, ValuesSignalOnlyOnChangeAndSelectionDoesNotDirty)
{
    QSignalSpy canStart(&store, &SurveyScanStore::canStartScanChanged);
    EXPECT_FALSE(store.canStartScan());
    connectScanner();
    EXPECT_TRUE(store.canStartScan());
    EXPECT_EQ(canStart.count(), 1);
    store.setSelectedScannerID(QStringLiteral("test:0"));
    EXPECT_EQ(canStart.count(), 1);

    QSignalSpy selected(&store, &SurveyScanStore::selectedSurveyNumberChanged);
    store.setSelectedSurveyNumber(3);
    store.setSelectedSurveyNumber(3);
    EXPECT_EQ(selected.count(), 1);

    QSignalSpy changed(&store, &SurveyScanStore::configurationChanged);
    QSignalSpy dirty(&store, &SurveyScanStore::isProjectDirtyChanged);
    store.setConfiguration(SurveyConfiguration(store.configuration()));
    EXPECT_FALSE(store.isProjectDirty());
    EXPECT_EQ(changed.count(), 0);

    SurveyConfiguration configuration = store.configuration();
    configuration.reviewThreshold = 0.8;
    store.setConfiguration(configuration);
    store.setConfiguration(configuration);
    EXPECT_TRUE(store.isProjectDirty());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(dirty.count(), 1);
}

TEST_F(StoreBatchFlowScanners, RefreshPicksADeviceAndSaysWhatItFound)
{
    QCoro::waitFor(store.refreshScanners());
    EXPECT_EQ(store.statusMessage(), QStringLiteral("No scanners found."));
    EXPECT_FALSE(store.selectedScannerID());

    ScannerDevice usbOnly = onlineScanner(QStringLiteral("usb"));
    usbOnly.isControllable = false;
    scanner.devices = {usbOnly};
    QCoro::waitFor(store.refreshScanners());
    EXPECT_EQ(
        store.statusMessage(),
        QStringLiteral(
            "USB scanner hardware found, but SANE did not expose it as a controllable scanner."));
    EXPECT_EQ(store.selectedScannerID(), QStringLiteral("usb")); // online beats nothing

    ScannerDevice offline = onlineScanner(QStringLiteral("off"));
    offline.isOnline = false;
    scanner.devices = {offline, usbOnly, onlineScanner(QStringLiteral("good"), true)};
    store.setSelectedScannerID(QStringLiteral("gone"));
    QCoro::waitFor(store.refreshScanners());
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Scanner list refreshed."));
    EXPECT_EQ(store.selectedScannerID(), QStringLiteral("good"));
    // Duplex hardware switches to automatic two-sided scanning.
    EXPECT_EQ(store.configuration().duplexMode, DuplexMode::automatic);
    EXPECT_TRUE(store.configuration().scanBothSides);

    // A selection still in the list is kept; a simplex one means manual
    // two-sided, keeping the both-sides choice.
    SurveyConfiguration configuration = store.configuration();
    configuration.scanBothSides = false;
    store.setConfiguration(configuration);
    store.setSelectedScannerID(QStringLiteral("usb"));
    QCoro::waitFor(store.refreshScanners());
    EXPECT_EQ(store.selectedScannerID(), QStringLiteral("usb"));
    EXPECT_EQ(store.configuration().duplexMode, DuplexMode::manual);
    EXPECT_FALSE(store.configuration().scanBothSides);
}

// Both scans explain an uncontrollable device without scanning; a refresh clears it.
TEST_F(StoreBatchFlowScanners, UncontrollableDeviceExplainsItselfUntilARefresh)
{
    ScannerDevice device = onlineScanner();
    device.isControllable = false;
    device.statusDetail = QStringLiteral("No driver.");
    scanner.devices = {device};
    QCoro::waitFor(store.refreshScanners());
    for (auto scan : {&SurveyScanStore::startScanBatch, &SurveyScanStore::scanTemplatePage}) {
        QCoro::waitFor((store.*scan)());
        EXPECT_EQ(store.errorMessage(), QStringLiteral("No driver."));
        EXPECT_EQ(store.statusMessage(), QStringLiteral("Scanner driver unavailable."));
        EXPECT_EQ(store.stage(), ScanStage::idle);
        QCoro::waitFor(store.refreshScanners());
        EXPECT_FALSE(store.errorMessage());
    }
    EXPECT_TRUE(scanner.scanConfigurations.isEmpty());
}
