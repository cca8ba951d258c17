#include "ScanOutcome.h"
#include "scanner/BackSidePrompt.h"
#include "scanner/SaneScannerService.h"
#include "scanner/ScanDeviceLayer.h"
#include "scanner/ScanEndText.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMap>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <new>

namespace {

using namespace std::chrono_literals;

// What the fake device does; set by the test, read on the worker thread.
struct FakeScript
{
    static constexpr int hang = -1; // a call that does not return until released

    std::atomic<int> listDelayMs{0};
    std::atomic<int> openDelayMs{0};
    std::atomic<int> pageDelayMs{0};
    std::atomic<int> pages{3};
    std::atomic<int> stallAfterPages{-1};     // the next read blocks until released
    std::atomic<int> removeAfterPages{-1};    // the device vanishes: reads fail
    std::atomic<int> busyStarts{0};           // starts answered "busy" first
    std::atomic<int> failStartAfterPages{-1}; // then every start answers failStartStatus
    std::atomic<DeviceStatus> failStartStatus{DeviceStatus::jammed};
    std::atomic<bool> throwOnRead{false}; // the driver layer breaks down
    std::atomic<DeviceStatus> openStatus{DeviceStatus::good};
    std::atomic<DeviceStatus> startStatus{DeviceStatus::good};
    std::atomic<bool> released{false};
    std::atomic<bool> removed{false};
    std::atomic<int> cancels{0};

    void setSources(const QStringList& list)
    {
        QMutexLocker lock(&mutex);
        m_sources = list;
    }
    QStringList sources() const
    {
        QMutexLocker lock(&mutex);
        return m_sources;
    }
    QStringList settings() const // "source=...", in order
    {
        QMutexLocker lock(&mutex);
        return m_settings;
    }
    void clearSettings()
    {
        QMutexLocker lock(&mutex);
        m_settings.clear();
    }
    void record(const QString& setting)
    {
        QMutexLocker lock(&mutex);
        m_settings.append(setting);
    }
    // Sleeps `ms` (or until released for `hang`), returning early on release.
    void pause(int ms) const
    {
        const auto end = std::chrono::steady_clock::now() + (ms == hang ? 20000ms : ms * 1ms);
        while (!released && std::chrono::steady_clock::now() < end)
            QThread::msleep(5);
    }

    // Options beyond the source, as a backend may offer them.
    void setBooleans(const QStringList& names, bool onlyOnFeeder)
    {
        QMutexLocker lock(&mutex);
        m_booleans = names;
        m_booleansOnlyOnFeeder = onlyOnFeeder;
    }
    QStringList booleans(const QString& source) const
    {
        QMutexLocker lock(&mutex);
        const bool onFeeder = source.contains("ADF") || source.contains("Feeder");
        return m_booleansOnlyOnFeeder && !onFeeder ? QStringList() : m_booleans;
    }
    void setLists(const QMap<QString, QStringList>& lists)
    {
        QMutexLocker lock(&mutex);
        m_lists = lists;
    }
    QMap<QString, QStringList> lists() const
    {
        QMutexLocker lock(&mutex);
        return m_lists;
    }
    void setNumbers(const QMap<QString, NumberOption>& numbers)
    {
        QMutexLocker lock(&mutex);
        m_numbers = numbers;
    }
    QMap<QString, NumberOption> numbers() const
    {
        QMutexLocker lock(&mutex);
        return m_numbers;
    }
    std::atomic<bool> refuseDuplex{false}; // setting the duplex switch fails

private:
    mutable QMutex mutex;
    QStringList m_sources{QStringLiteral("Flatbed"), QStringLiteral("ADF")};
    QStringList m_booleans;
    bool m_booleansOnlyOnFeeder = false;
    QMap<QString, QStringList> m_lists;
    QMap<QString, NumberOption> m_numbers;
    QStringList m_settings;
};

// One open device playing the script: 4 x 3 grey pages.
class FakeHandle : public ScanDeviceHandle
{
public:
    explicit FakeHandle(std::shared_ptr<FakeScript> script) : m_script(std::move(script)) {}

    QStringList sources() override { return m_script->sources(); }
    QStringList booleanOptions() override { return m_script->booleans(m_source); }
    DeviceStatus setSource(const QString& source) override
    {
        m_script->record(QStringLiteral("source=") + source);
        m_source = source;
        return DeviceStatus::good;
    }
    DeviceStatus setBoolean(const QString& option, bool value) override
    {
        if (!booleanOptions().contains(option))
            return DeviceStatus::unsupported;
        if (value && m_script->refuseDuplex)
            return DeviceStatus::invalid;
        m_script->record(option + QLatin1Char('=') + QString::number(value));
        return DeviceStatus::good;
    }
    QStringList listOptions() override { return m_script->lists().keys(); }
    QStringList listValues(const QString& option) override
    {
        return m_script->lists().value(option);
    }
    std::optional<NumberOption> number(const QString& option) override
    {
        const auto numbers = m_script->numbers();
        if (!numbers.contains(option))
            return std::nullopt;
        NumberOption number = numbers.value(option);
        number.value = m_values.value(option, number.value);
        return number;
    }
    DeviceStatus setText(const QString& option, const QString& value) override
    {
        if (!listValues(option).contains(value))
            return DeviceStatus::invalid;
        m_script->record(option + QLatin1Char('=') + value);
        return DeviceStatus::good;
    }
    DeviceStatus setNumber(const QString& option, double value) override
    {
        if (!m_script->numbers().contains(option))
            return DeviceStatus::unsupported;
        m_values.insert(option, value);
        m_script->record(option + QLatin1Char('=') + QString::number(value));
        return DeviceStatus::good;
    }
    DeviceStatus start() override
    {
        if (m_script->busyStarts > 0) {
            --m_script->busyStarts;
            return DeviceStatus::deviceBusy;
        }
        if (m_script->startStatus != DeviceStatus::good)
            return m_script->startStatus;
        if (m_delivered == m_script->failStartAfterPages)
            return m_script->failStartStatus;
        if (m_delivered >= m_script->pages)
            return DeviceStatus::noDocuments;
        m_script->pause(m_script->pageDelayMs);
        m_remaining = 12;
        return DeviceStatus::good;
    }
    DeviceStatus parameters(FrameFormat& format) override
    {
        format = FrameFormat{FrameFormat::Kind::gray, true, 4, 4, 3, 8};
        return DeviceStatus::good;
    }
    DeviceStatus read(unsigned char* buffer, int maxLength, int* length) override
    {
        *length = 0;
        if (m_script->throwOnRead)
            throw std::bad_alloc();
        if (m_delivered == m_script->removeAfterPages) {
            m_script->removed = true;
            return DeviceStatus::ioError;
        }
        if (m_delivered == m_script->stallAfterPages)
            m_script->pause(FakeScript::hang);
        if (m_remaining == 0) {
            ++m_delivered;
            return DeviceStatus::endOfFile;
        }
        *length = std::min(maxLength, m_remaining);
        std::memset(buffer, 128, *length);
        m_remaining -= *length;
        return DeviceStatus::good;
    }
    void cancel() override { ++m_script->cancels; }

private:
    std::shared_ptr<FakeScript> m_script;
    QString m_source;
    QMap<QString, double> m_values;
    int m_delivered = 0;
    int m_remaining = 0;
};

// A device layer with one device, "fake:1".
class FakeLayer : public ScanDeviceLayer
{
public:
    explicit FakeLayer(std::shared_ptr<FakeScript> script) : m_script(std::move(script)) {}

    QList<DeviceListing> listDevices() override
    {
        m_script->pause(m_script->listDelayMs);
        if (m_script->removed)
            return {};
        return {{"fake:1", "Acme", "Feeder 9", "sheetfed scanner"}};
    }
    DeviceStatus open(const QString& name, std::unique_ptr<ScanDeviceHandle>& handle) override
    {
        m_script->pause(m_script->openDelayMs);
        if (m_script->removed || name != QStringLiteral("fake:1"))
            return DeviceStatus::invalid;
        if (m_script->openStatus != DeviceStatus::good)
            return m_script->openStatus;
        handle = std::make_unique<FakeHandle>(m_script);
        return DeviceStatus::good;
    }
    QString statusText(DeviceStatus status) override
    {
        if (status == DeviceStatus::jammed)
            return QStringLiteral("Document feeder jammed");
        if (status == DeviceStatus::coverOpen)
            return QStringLiteral("Scanner cover is open");
        return QStringLiteral("Fake status %1").arg(int(status));
    }

private:
    std::shared_ptr<FakeScript> m_script;
};

// The service over a scripted device, with every bound cut to a second or
// two (long enough for a loaded machine, short enough for the suite).
class SaneDeviceFaultsTest : public ::testing::Test
{
protected:
    SaneDeviceFaultsTest()
        : script(std::make_shared<FakeScript>()), worker(std::make_shared<ScanWorker>([s = script] {
              return std::make_unique<FakeLayer>(s);
          })),
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

    ScanOutcome<ScanBatchResult> scan(DuplexMode mode = DuplexMode::simplex, bool bothSides = false,
                                      PageDelivered delivered = {})
    {
        SurveyConfiguration config;
        config.duplexMode = mode;
        config.scanBothSides = bothSides;
        return runScan(service.scanBatch(discovered(), config, std::move(delivered)));
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

TEST_F(SaneDeviceFaultsTest, HungDiscoveryReturnsWhatIsKnownAtTheBound)
{
    const ScannerDevice known = discovered();
    EXPECT_EQ(known.id.toStdString(), "fake:1");
    EXPECT_EQ(known.name.toStdString(), "Acme Feeder 9");
    EXPECT_TRUE(known.hasDocumentFeeder);
    script->listDelayMs = FakeScript::hang;
    QElapsedTimer clock;
    clock.start();
    const auto devices = runScan(service.discoverScanners());
    EXPECT_LT(clock.elapsed(), 3000);
    ASSERT_TRUE(devices.value);
    ASSERT_EQ(devices.value->size(), 1);
    EXPECT_EQ(devices.value->first(), known);
}

TEST_F(SaneDeviceFaultsTest, HungDriverCallLeavesItsThreadAndTheNextScanGetsAFreshOne)
{
    script->openDelayMs = FakeScript::hang;
    EXPECT_EQ(scan().message(),
              "The scanner driver stopped responding (no answer within 1.5 seconds). The next scan "
              "starts over with a fresh connection; if the scanner still does not answer, turn "
              "it off and on again.");
    // The first open is still stuck; the next scan does not queue behind it.
    script->openDelayMs = 0;
    const auto next = scan();
    ASSERT_TRUE(next.value) << next.message();
    EXPECT_EQ(next.value->pages.size(), 3);
    EXPECT_FALSE(next.value->endedEarly);
    EXPECT_TRUE(worker->isAbandoned());
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
    script->openStatus = DeviceStatus::invalid;
    EXPECT_EQ(scan().message(),
              "Failed to open a connection to the device. The scanner driver rejected one of the "
              "scan settings. This often means the selected source, duplex mode, resolution, or "
              "file format is not supported by the driver.");

    script->openStatus = DeviceStatus::good;
    script->startStatus = DeviceStatus::jammed;
    EXPECT_EQ(scan().message(), "Document feeder jammed [domain: SANE, code: 6]");
    EXPECT_GE(script->cancels, 1); // the device is left idle after a failure
}

TEST_F(SaneDeviceFaultsTest, BusyDeviceIsWaitedOutAndAnEmptyFeederIsAnError)
{
    script->busyStarts = 2;
    const auto outcome = scan();
    ASSERT_TRUE(outcome.value) << outcome.message();
    EXPECT_EQ(outcome.value->pages.size(), 3);

    script->pages = 0;
    EXPECT_EQ(scan().message(), "The scanner finished, but no image files were received.");
}

TEST_F(SaneDeviceFaultsTest, SourcesFollowTheWantedSidesAndAFlatbedScansOnePage)
{
    script->setSources({"Flatbed", "ADF Front", "ADF Duplex"});
    script->pages = 4;
    ASSERT_TRUE(scan(DuplexMode::automatic, true).value);
    ASSERT_TRUE(scan(DuplexMode::simplex, true).value);
    EXPECT_EQ(script->settings(), QStringList({"source=ADF Duplex", "source=ADF Front"}));

    script->setSources({"Flatbed"});
    const auto flatbed = scan();
    ASSERT_TRUE(flatbed.value) << flatbed.message();
    EXPECT_EQ(flatbed.value->pages.size(), 1);
    EXPECT_EQ(script->settings().size(), 2); // no source is set on a flatbed
}

// A one-pass scan that stops after two of five pages: the two pages come
// back as a batch that says why it stopped.
struct EarlyEndCase
{
    const char* name;
    std::function<void(FakeScript&, SaneScannerService&)> arrange;
    ScanStopCause cause;
    const char* detail;
};

void PrintTo(const EarlyEndCase& earlyEnd, std::ostream* out)
{
    *out << earlyEnd.name;
}

class SaneEarlyEnd : public SaneDeviceFaultsTest, public ::testing::WithParamInterface<EarlyEndCase>
{
};

TEST_P(SaneEarlyEnd, PagesScannedBeforeTheStopAreKept)
{
    script->pages = 5;
    GetParam().arrange(*script, service);
    // The operator cancels once two pages have come.
    int delivered = 0;
    const auto outcome = scan(DuplexMode::simplex, false, [&](const QString&) {
        if (GetParam().cause == ScanStopCause::canceled && ++delivered == 2)
            service.cancelScan();
    });
    ASSERT_TRUE(outcome.value) << outcome.message();
    ASSERT_EQ(outcome.value->pages.size(), 2);
    EXPECT_EQ(outcome.value->responses.size(), 2);
    ASSERT_TRUE(outcome.value->endedEarly);
    EXPECT_EQ(outcome.value->endedEarly->cause, GetParam().cause);
    EXPECT_EQ(outcome.value->endedEarly->detail.toStdString(), GetParam().detail);
}

INSTANTIATE_TEST_SUITE_P(
    Stops, SaneEarlyEnd,
    ::testing::Values(
        EarlyEndCase{"Jam", [](FakeScript& s, SaneScannerService&) { s.failStartAfterPages = 2; },
                     ScanStopCause::jammed, "Document feeder jammed [domain: SANE, code: 6]"},
        EarlyEndCase{"CoverOpen",
                     [](FakeScript& s, SaneScannerService&) {
                         s.failStartAfterPages = 2;
                         s.failStartStatus = DeviceStatus::coverOpen;
                     },
                     ScanStopCause::coverOpen, "Scanner cover is open [domain: SANE, code: 8]"},
        EarlyEndCase{"OtherDeviceError",
                     [](FakeScript& s, SaneScannerService&) {
                         s.failStartAfterPages = 2;
                         s.failStartStatus = DeviceStatus::noMemory;
                     },
                     ScanStopCause::failed, "Fake status 10 [domain: SANE, code: 10]"},
        EarlyEndCase{"DeviceRemoved",
                     [](FakeScript& s, SaneScannerService&) { s.removeAfterPages = 2; },
                     ScanStopCause::deviceGone, "The selected scanner is no longer available."},
        EarlyEndCase{"Stall", [](FakeScript& s, SaneScannerService&) { s.stallAfterPages = 2; },
                     ScanStopCause::driverStopped,
                     "The scanner driver stopped responding (no answer within 1.2 seconds). The "
                     "next scan starts over with a fresh connection; if the scanner still does "
                     "not answer, turn it off and on again."},
        // Canceled while the driver is stuck on the third page.
        EarlyEndCase{"Cancel", [](FakeScript& s, SaneScannerService&) { s.stallAfterPages = 2; },
                     ScanStopCause::canceled, "The scan was canceled."}),
    [](const ::testing::TestParamInfo<EarlyEndCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(SaneDeviceFaultsTest, DuplexJamKeepsTheSheetsScannedSoFar)
{
    script->setSources({"Flatbed", "ADF", "ADF Duplex"});
    script->pages = 6;
    script->failStartAfterPages = 3; // the third sheet's back never came
    const auto outcome = scan(DuplexMode::automatic, true);
    ASSERT_TRUE(outcome.value) << outcome.message();
    QList<qint64> surveys;
    for (const ScanPage& page : outcome.value->pages)
        surveys.append(page.surveyNumber);
    EXPECT_EQ(surveys, QList<qint64>({1, 1, 2}));
    EXPECT_EQ(outcome.value->responses.size(), 2);
    ASSERT_TRUE(outcome.value->endedEarly);
    EXPECT_EQ(outcome.value->endedEarly->cause, ScanStopCause::jammed);
}

TEST_F(SaneDeviceFaultsTest, DuplexSwitchOfferedOnlyForTheFeederIsFoundAfterTheSourceIsSet)
{
    // Named by meaning, not by a table: "Document Feeder" and a boolean
    // "scan-both-sides" that the backend lists only once the feeder is set.
    script->setSources({"Document Table", "Automatic Document Feeder"});
    script->setBooleans({"preview", "scan-both-sides"}, true);
    script->pages = 4;
    const ScannerDevice device = discovered();
    EXPECT_TRUE(device.supportsDuplex);
    EXPECT_TRUE(device.hasFlatbed);
    script->clearSettings();

    const auto duplex = scan(DuplexMode::automatic, true);
    ASSERT_TRUE(duplex.value) << duplex.message();
    EXPECT_EQ(script->settings(),
              QStringList({"source=Automatic Document Feeder", "scan-both-sides=1"}));
    ASSERT_EQ(duplex.value->pages.size(), 4);
    EXPECT_EQ(duplex.value->pages[1].side, SurveySide::back);
    EXPECT_EQ(duplex.value->responses.size(), 2);

    // One side per sheet turns the switch off again.
    script->clearSettings();
    ASSERT_TRUE(scan(DuplexMode::simplex, true).value);
    EXPECT_EQ(script->settings(),
              QStringList({"source=Automatic Document Feeder", "scan-both-sides=0"}));

    // epson2-style list option: "adf-mode" Simplex / Duplex.
    script->setBooleans({}, false);
    script->setLists({{"adf-mode", {"Simplex", "Duplex"}}});
    script->clearSettings();
    ASSERT_TRUE(scan(DuplexMode::automatic, true).value);
    EXPECT_EQ(script->settings(),
              QStringList({"source=Automatic Document Feeder", "adf-mode=Duplex"}));
}

TEST_F(SaneDeviceFaultsTest, DuplexThatCameBackOneSidedIsNeitherPairedNorLost)
{
    const auto batchFolder = [this] {
        const QStringList folders = QDir(root.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        return folders.isEmpty() ? QString() : root.filePath(folders.last());
    };
    const auto expected = [&](int pages) {
        return QStringLiteral("Duplex was asked for, but the scanner returned one side per sheet "
                              "(%1 pages). Turn duplex off or check the driver, then scan "
                              "again.\nThe scanned pages are kept in %2.")
            .arg(pages)
            .arg(batchFolder())
            .toStdString();
    };

    // A feeder with no duplex at all.
    script->pages = 4;
    auto outcome = scan(DuplexMode::automatic, true);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), ScannerServiceError::Kind::twoSidedIncomplete);
    EXPECT_EQ(outcome.message(), expected(4));
    EXPECT_EQ(filesOnDisk(), 4);

    // A duplex switch the driver refuses.
    script->setBooleans({"duplex"}, false);
    script->refuseDuplex = true;
    outcome = scan(DuplexMode::automatic, true);
    EXPECT_EQ(outcome.message(), expected(4));
    EXPECT_EQ(filesOnDisk(), 8);

    // Duplex was set, but an odd count came back from a finished pass.
    script->refuseDuplex = false;
    script->pages = 37;
    outcome = scan(DuplexMode::automatic, true);
    EXPECT_EQ(outcome.message(), expected(37));
    EXPECT_EQ(filesOnDisk(), 45);
}

TEST_F(SaneDeviceFaultsTest, SettingsAreChosenByMeaningAfterTheSource)
{
    script->setSources({"ADF Front", "ADF Back", "ADF Duplex", "Flatbed"});
    script->setLists({{"mode", {"Lineart", "Halftone", "16bit Gray", "True Gray", "24bit Color"}}});
    NumberOption resolution;
    resolution.values = {75, 150, 300, 600};
    resolution.value = 75;
    NumberOption area;
    area.min = 0;
    area.max = 215.9;
    NumberOption height;
    height.min = 3;
    height.max = 355.6;
    script->setNumbers({{"resolution", resolution},
                        {"tl-x", area},
                        {"br-x", area},
                        {"tl-y", height},
                        {"br-y", height}});
    discovered();
    script->clearSettings();

    ScanSettings settings;
    settings.resolution = 400; // not offered: the next above it
    service.setScanSettings(settings);
    const auto grey = scan();
    ASSERT_TRUE(grey.value) << grey.message();
    EXPECT_EQ(script->settings(),
              QStringList({"source=ADF Front", "mode=True Gray", "resolution=600", "tl-x=0",
                           "tl-y=3", "br-x=215.9", "br-y=355.6"}));
    // The page says at what resolution it was scanned.
    const QImage page(grey.value->pages[0].fileURL.toLocalFile());
    EXPECT_NEAR(page.dotsPerMeterX() * 0.0254, 600, 0.5);

    settings.colour = ScanColour::colour;
    settings.resolution = 200;
    service.setScanSettings(settings);
    script->clearSettings();
    ASSERT_TRUE(scan().value);
    EXPECT_EQ(script->settings().mid(0, 3),
              QStringList({"source=ADF Front", "mode=24bit Color", "resolution=300"}));
}

// Answers the template's back-side question, turning the sheet over.
class TemplatePrompt : public BackSidePrompt
{
public:
    explicit TemplatePrompt(BackSideChoice answer) : m_answer(answer) {}
    QCoro::Task<BackSideChoice> askToReloadBacks() override { co_return BackSideChoice::cancel; }
    QCoro::Task<BackSideChoice> askForTemplateBackSide() override
    {
        ++asked;
        co_return m_answer;
    }
    int asked = 0;

private:
    BackSideChoice m_answer;
};

TEST_F(SaneDeviceFaultsTest, FlatbedIsChosenForTemplatesAndOnRequestAndAsksForTheBack)
{
    script->setSources({"ADF", "Flatbed"});
    discovered();
    ScanSettings settings;
    settings.source = ScanSource::flatbed;
    service.setScanSettings(settings);
    script->clearSettings();
    const auto glass = scan();
    ASSERT_TRUE(glass.value) << glass.message();
    EXPECT_EQ(glass.value->pages.size(), 1);
    EXPECT_EQ(script->settings(), QStringList({"source=Flatbed"}));

    // A template scan takes the glass by itself and asks for the back.
    TemplatePrompt turnOver(BackSideChoice::scanBacks);
    service.setBackSidePrompt(&turnOver);
    settings = ScanSettings();
    settings.templateScan = true;
    service.setScanSettings(settings);
    script->clearSettings();
    const auto twoSides = scan();
    ASSERT_TRUE(twoSides.value) << twoSides.message();
    EXPECT_EQ(turnOver.asked, 1);
    EXPECT_EQ(script->settings(), QStringList({"source=Flatbed", "source=Flatbed"}));
    ASSERT_EQ(twoSides.value->pages.size(), 2);
    EXPECT_EQ(twoSides.value->pages[1].surveyNumber, 1);
    EXPECT_EQ(twoSides.value->pages[1].side, SurveySide::back);
    EXPECT_EQ(twoSides.value->responses.size(), 1);

    TemplatePrompt done(BackSideChoice::cancel);
    service.setBackSidePrompt(&done);
    const auto oneSide = scan();
    ASSERT_TRUE(oneSide.value) << oneSide.message();
    EXPECT_EQ(done.asked, 1);
    EXPECT_EQ(oneSide.value->pages.size(), 1);

    // Feeder chosen: the template comes through the feeder, nothing is asked.
    settings.source = ScanSource::feeder;
    service.setScanSettings(settings);
    const auto fed = scan();
    ASSERT_TRUE(fed.value) << fed.message();
    EXPECT_EQ(done.asked, 1);
    EXPECT_EQ(fed.value->pages.size(), 3);
}

TEST_F(SaneDeviceFaultsTest, NoDeviceMeansAnEmptyList)
{
    script->removed = true;
    const auto devices = runScan(service.discoverScanners());
    ASSERT_TRUE(devices.value);
    EXPECT_TRUE(devices.value->isEmpty());
}

// Turns the stack over for the backs: the feeder then holds `backs` sheets
// and fails as the test arranges.
class TurningPrompt : public BackSidePrompt
{
public:
    TurningPrompt(FakeScript& script, int backs, int failAfter = -1)
        : m_script(script), m_backs(backs), m_failAfter(failAfter)
    {
    }
    QCoro::Task<BackSideChoice> askToReloadBacks() override
    {
        m_script.pages = m_backs;
        m_script.failStartAfterPages = m_failAfter;
        co_return BackSideChoice::scanBacks;
    }

private:
    FakeScript& m_script;
    int m_backs;
    int m_failAfter;
};

TEST_F(SaneDeviceFaultsTest, ManualTwoSidedPairsOnlyPassesOfEqualLength)
{
    const auto batchFolder = [this] {
        const QStringList folders = QDir(root.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        return folders.isEmpty() ? QString() : root.filePath(folders.last());
    };

    // One back short: nothing is paired, both passes stay on disk.
    TurningPrompt shortBacks(*script, 2);
    service.setBackSidePrompt(&shortBacks);
    auto outcome = scan(DuplexMode::manual, true);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), ScannerServiceError::Kind::twoSidedIncomplete);
    EXPECT_EQ(outcome.message(), "3 fronts and 2 backs were scanned. Feed the backs again.\n"
                                 "The scanned pages are kept in " +
                                     batchFolder().toStdString() + ".");
    EXPECT_EQ(filesOnDisk(), 5);

    // A jam on the backs names the jam too.
    TurningPrompt jammedBacks(*script, 3, 1);
    service.setBackSidePrompt(&jammedBacks);
    script->pages = 3;
    script->failStartAfterPages = -1;
    outcome = scan(DuplexMode::manual, true);
    EXPECT_EQ(outcome.message(), "3 fronts and 1 back were scanned. Feed the backs again.\n"
                                 "The scanned pages are kept in " +
                                     batchFolder().toStdString() +
                                     ".\nDocument feeder jammed [domain: SANE, code: 6]");

    // A jam on the fronts keeps them and asks for no backs.
    script->pages = 3;
    script->failStartAfterPages = 2;
    outcome = scan(DuplexMode::manual, true);
    EXPECT_EQ(outcome.message(),
              "2 fronts were scanned before the feeder jammed. Nothing was read: scan the fronts "
              "again.\nThe scanned pages are kept in " +
                  batchFolder().toStdString() + ".");
    EXPECT_EQ(filesOnDisk(), 5 + 4 + 2);

    // Equal passes pair front n with back n.
    TurningPrompt allBacks(*script, 3);
    service.setBackSidePrompt(&allBacks);
    script->pages = 3;
    script->failStartAfterPages = -1;
    outcome = scan(DuplexMode::manual, true);
    ASSERT_TRUE(outcome.value) << outcome.message();
    ASSERT_EQ(outcome.value->pages.size(), 6);
    EXPECT_EQ(outcome.value->pages[3].surveyNumber, 1);
    EXPECT_EQ(outcome.value->pages[3].side, SurveySide::back);
    EXPECT_TRUE(outcome.value->pages[3].fileURL.toLocalFile().endsWith("backs-1.png"));
}

} // namespace
