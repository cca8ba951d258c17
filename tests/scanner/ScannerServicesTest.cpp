#include "ScanOutcome.h"
#include "ScriptedChooser.h"
#include "TestSupport.h"
#include "scanner/BackSidePrompt.h"
#include "scanner/CompositeScannerService.h"
#include "scanner/ImportScannerService.h"
#include "scanner/SampleScannerService.h"
#include "scanner/SaneScannerService.h"
#include "scanner/ScanDeviceLayer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMutex>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <utility>

namespace {

using namespace std::chrono_literals;

// What the fake device does; set by the test, read on the worker thread.
struct FakeScript
{
    static constexpr int hang = -1; // a call that does not return until released

    std::atomic<int> listDelayMs{0}, openDelayMs{0}, pageDelayMs{0};
    std::atomic<int> pages{3};
    std::atomic<int> stallAfterPages{-1};  // the next read blocks until released
    std::atomic<int> removeAfterPages{-1}; // the device vanishes: reads fail
    std::atomic<int> busyStarts{0};        // starts answered "busy" first
    std::atomic<int> failStartAfterPages{-1};
    std::atomic<DeviceStatus> failStartStatus{DeviceStatus::jammed};
    std::atomic<DeviceStatus> startStatus{DeviceStatus::good};
    std::atomic<bool> throwOnRead{false}; // the driver layer breaks down
    std::atomic<bool> refuseDuplex{false};
    std::atomic<bool> released{false};
    std::atomic<bool> removed{false};
    std::atomic<int> cancels{0};

    // The device's options, and every setting made ("source=ADF"), in order.
    struct Options
    {
        QStringList sources{"Flatbed", "ADF"};
        QStringList booleans;
        bool booleansOnlyOnFeeder = false;
        QStringList settings;
    };
    Options options() const
    {
        QMutexLocker lock(&m_mutex);
        return m_options;
    }
    void change(const std::function<void(Options&)>& edit)
    {
        QMutexLocker lock(&m_mutex);
        edit(m_options);
    }
    QStringList takeSettings()
    {
        QStringList settings;
        change([&](Options& o) { settings = std::exchange(o.settings, {}); });
        return settings;
    }

    // Sleeps `ms` (or until released for `hang`), returning early on release.
    void pause(int ms) const
    {
        const auto end = std::chrono::steady_clock::now() + (ms == hang ? 20000ms : ms * 1ms);
        while (!released && std::chrono::steady_clock::now() < end)
            QThread::msleep(5);
    }

private:
    mutable QMutex m_mutex;
    Options m_options;
};

// One open device playing the script: 4 x 3 grey pages.
class FakeHandle : public ScanDeviceHandle
{
public:
    explicit FakeHandle(std::shared_ptr<FakeScript> script) : m_script(std::move(script)) {}

    QStringList sources() override { return m_script->options().sources; }
    QStringList booleanOptions() override
    {
        const FakeScript::Options options = m_script->options();
        const bool onFeeder = m_source.contains("ADF") || m_source.contains("Feeder");
        return options.booleansOnlyOnFeeder && !onFeeder ? QStringList() : options.booleans;
    }
    DeviceStatus setSource(const QString& source) override
    {
        m_source = source;
        return record(QStringLiteral("source=") + source);
    }
    DeviceStatus setBoolean(const QString& option, bool value) override
    {
        if (!booleanOptions().contains(option))
            return DeviceStatus::unsupported;
        if (value && m_script->refuseDuplex)
            return DeviceStatus::invalid;
        return record(option + QLatin1Char('=') + QString::number(value));
    }
    // This device has no list-valued options.
    QStringList listOptions() override { return {}; }
    QStringList listValues(const QString&) override { return {}; }
    DeviceStatus setText(const QString&, const QString&) override { return DeviceStatus::invalid; }
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
    DeviceStatus record(const QString& setting)
    {
        m_script->change([&](FakeScript::Options& o) { o.settings.append(setting); });
        return DeviceStatus::good;
    }

    std::shared_ptr<FakeScript> m_script;
    QString m_source;
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
        if (m_script->removed || name != "fake:1")
            return DeviceStatus::invalid;
        handle = std::make_unique<FakeHandle>(m_script);
        return DeviceStatus::good;
    }
    QString statusText(DeviceStatus status) override
    {
        if (status == DeviceStatus::jammed)
            return "Document feeder jammed";
        if (status == DeviceStatus::coverOpen)
            return "Scanner cover is open";
        return QStringLiteral("Fake status %1").arg(int(status));
    }

private:
    std::shared_ptr<FakeScript> m_script;
};

// Answers the operator's questions between passes: for manual two-sided it
// first loads `backs` sheets (failing as `failAfter` says) into the feeder.
class ScriptedPrompt : public BackSidePrompt
{
public:
    ScriptedPrompt(FakeScript& script, BackSideChoice answer, int backs = 0, int failAfter = -1)
        : m_script(script), m_answer(answer), m_backs(backs), m_failAfter(failAfter)
    {
    }
    QCoro::Task<BackSideChoice> askToReloadBacks() override
    {
        m_script.pages = m_backs;
        m_script.failStartAfterPages = m_failAfter;
        co_return m_answer;
    }
    QCoro::Task<BackSideChoice> askForTemplateBackSide() override
    {
        ++templateQuestions;
        co_return m_answer;
    }
    int templateQuestions = 0;

private:
    FakeScript& m_script;
    BackSideChoice m_answer;
    int m_backs;
    int m_failAfter;
};

class SaneDeviceFaultsTest : public ::testing::Test
{
protected:
    ~SaneDeviceFaultsTest() override { script->released = true; }

    static std::shared_ptr<ScanWorker> workerFor(std::shared_ptr<FakeScript> device)
    {
        return std::make_shared<ScanWorker>(
            [device] { return std::make_unique<FakeLayer>(device); });
    }
    // Every bound cut to a second or two: long enough for a loaded machine,
    // short enough for the suite.
    SaneServiceOptions options() const
    {
        return {root.path(), root.filePath("no-usb"),
                SaneTimeouts{1000ms, 1500ms, 1500ms, 1200ms, 2000ms}};
    }

    ScannerDevice discovered(SaneScannerService* on = nullptr)
    {
        const auto devices = runScan((on ? on : &service)->discoverScanners());
        if (!devices.value || devices.value->isEmpty()) {
            ADD_FAILURE() << "fake:1 not discovered";
            return {};
        }
        return devices.value->first();
    }

    ScanOutcome<ScanBatchResult> scan(DuplexMode mode = DuplexMode::simplex, bool bothSides = false,
                                      SaneScannerService* on = nullptr)
    {
        return runScan(
            (on ? on : &service)->scanBatch(discovered(on), scanConfiguration(mode, bothSides)));
    }

    // Where the pages of the last batch are kept, as the operator is told.
    std::string keptIn() const
    {
        const QStringList folders = QDir(root.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        return "The scanned pages are kept in " +
               root.filePath(folders.value(folders.size() - 1)).toStdString() + ".";
    }

    QTemporaryDir root;
    std::shared_ptr<FakeScript> script = std::make_shared<FakeScript>();
    std::shared_ptr<ScanWorker> worker = workerFor(script);
    SaneScannerService service{worker, options()};
};

// A hung discovery returns what is known at the bound; a hung driver call is
// left on its thread and the next scan gets a fresh one.
TEST_F(SaneDeviceFaultsTest, HungCallsEndAtTheirBoundAndTheNextScanGetsAFreshThread)
{
    script->removed = true;
    EXPECT_EQ(runScan(service.discoverScanners()).value, QList<ScannerDevice>());
    script->removed = false;
    const ScannerDevice known = discovered();
    script->listDelayMs = FakeScript::hang;
    QElapsedTimer clock;
    clock.start();
    const auto devices = runScan(service.discoverScanners());
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(devices.value, QList<ScannerDevice>{known});

    script->listDelayMs = 0;
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

TEST_F(SaneDeviceFaultsTest,
       DriverFailuresCarryTheirDetailKeepThePagesScannedAndLeaveTheWorkerUsable)
{
    script->throwOnRead = true;
    EXPECT_EQ(
        scan().message(),
        "Failed to open a connection to the device. The scanner operation ended unexpectedly.");
    script->throwOnRead = false;
    script->startStatus = DeviceStatus::jammed;
    EXPECT_EQ(scan().message(), "Document feeder jammed [domain: SANE, code: 6]");
    EXPECT_GE(script->cancels, 1); // the device is left idle after a failure
    script->startStatus = DeviceStatus::good;
    script->pages = 0;
    EXPECT_EQ(scan().message(), "The scanner finished, but no image files were received.");

    // A busy device is waited out, and a slow feeder that keeps delivering is
    // not cut off: five pages at 300 ms take longer than the 1.2-second
    // bound, but no single page does. One busy answer (a 200 ms retry)
    // leaves the first page headroom on a loaded machine.
    script->pages = 5;
    script->pageDelayMs = 300;
    script->busyStarts = 1;
    const auto outcome = scan();
    ASSERT_TRUE(outcome.value) << outcome.message();
    EXPECT_EQ(outcome.value->pages.size(), 5);

    // A one-pass scan that stops after two of five pages: the two pages come
    // back as a batch that says why it stopped.
    const auto failAt2 = [](DeviceStatus status) {
        return [status](FakeScript& s) {
            s.failStartAfterPages = 2;
            s.failStartStatus = status;
        };
    };
    const std::tuple<std::function<void(FakeScript&)>, ScanStopCause, const char*> stops[] = {
        {failAt2(DeviceStatus::jammed), ScanStopCause::jammed,
         "Document feeder jammed [domain: SANE, code: 6]"},
        {failAt2(DeviceStatus::coverOpen), ScanStopCause::coverOpen,
         "Scanner cover is open [domain: SANE, code: 8]"},
        {failAt2(DeviceStatus::noMemory), ScanStopCause::failed,
         "Fake status 10 [domain: SANE, code: 10]"},
        {[](FakeScript& s) { s.removeAfterPages = 2; }, ScanStopCause::deviceGone,
         "The selected scanner is no longer available."},
        {[](FakeScript& s) { s.stallAfterPages = 2; }, ScanStopCause::driverStopped,
         "The scanner driver stopped responding (no answer within 1.2 seconds). The next scan "
         "starts over with a fresh connection; if the scanner still does not answer, turn it "
         "off and on again."},
    };
    for (const auto& [arrange, cause, detail] : stops) {
        SCOPED_TRACE(detail);
        // A fresh device each time: a stall leaves the last one behind.
        auto fresh = std::make_shared<FakeScript>();
        fresh->pages = 5;
        arrange(*fresh);
        SaneScannerService other(workerFor(fresh), options());
        const auto outcome = scan(DuplexMode::simplex, false, &other);
        fresh->released = true;
        ASSERT_TRUE(outcome.value) << outcome.message();
        EXPECT_EQ(outcome.value->pages.size(), 2);
        EXPECT_EQ(outcome.value->responses.size(), 2);
        ASSERT_TRUE(outcome.value->endedEarly);
        EXPECT_EQ(outcome.value->endedEarly->cause, cause);
        EXPECT_EQ(outcome.value->endedEarly->detail.toStdString(), detail);
    }

    // Automatic duplex keeps the whole sheets scanned before a jam.
    script->change([](FakeScript::Options& o) { o.sources = {"Flatbed", "ADF", "ADF Duplex"}; });
    script->pages = 6;
    script->failStartAfterPages = 3; // the third sheet's back never came
    const auto duplex = scan(DuplexMode::automatic, true);
    ASSERT_TRUE(duplex.value) << duplex.message();
    ASSERT_EQ(duplex.value->pages.size(), 3);
    EXPECT_EQ(duplex.value->pages[2].surveyNumber, 2);
    EXPECT_EQ(duplex.value->responses.size(), 2);
    EXPECT_EQ(duplex.value->endedEarly->cause, ScanStopCause::jammed);
}

TEST_F(SaneDeviceFaultsTest, DuplexSwitchesAreFoundByMeaningAfterTheSourceIsSet)
{
    // "Document Feeder" and a boolean "scan-both-sides" that the backend
    // lists only once the feeder is set.
    script->change([](FakeScript::Options& o) {
        o.sources = {"Document Table", "Automatic Document Feeder"};
        o.booleans = {"preview", "scan-both-sides"};
        o.booleansOnlyOnFeeder = true;
    });
    script->pages = 4;
    const ScannerDevice device = discovered();
    EXPECT_TRUE(device.supportsDuplex);
    EXPECT_TRUE(device.hasFlatbed);
    script->takeSettings();

    const auto duplex = scan(DuplexMode::automatic, true);
    ASSERT_TRUE(duplex.value) << duplex.message();
    EXPECT_EQ(script->takeSettings(),
              QStringList({"source=Automatic Document Feeder", "scan-both-sides=1"}));
    ASSERT_EQ(duplex.value->pages.size(), 4);
    EXPECT_EQ(duplex.value->pages[1].side, SurveySide::back);
    // One side per sheet turns the switch off again.
    ASSERT_TRUE(scan(DuplexMode::simplex, true).value);
    EXPECT_EQ(script->takeSettings(),
              QStringList({"source=Automatic Document Feeder", "scan-both-sides=0"}));
}

TEST_F(SaneDeviceFaultsTest, DuplexThatCameBackOneSidedIsNeitherPairedNorLost)
{
    const auto expected = [&](int pages) {
        return "Duplex was asked for, but the scanner returned one side per sheet (" +
               std::to_string(pages) +
               " pages). Turn duplex off or check the driver, then scan again.\n" + keptIn();
    };
    // A duplex switch the driver refuses.
    script->change([](FakeScript::Options& o) { o.booleans = {"duplex"}; });
    script->refuseDuplex = true;
    script->pages = 4;
    auto outcome = scan(DuplexMode::automatic, true);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), ScannerServiceError::Kind::twoSidedIncomplete);
    EXPECT_EQ(outcome.message(), expected(4));
    EXPECT_EQ(testsupport::batchFiles(root.path()).size(), 4);

    // Duplex was set, but an odd count came back from a finished pass.
    script->refuseDuplex = false;
    script->pages = 37;
    outcome = scan(DuplexMode::automatic, true);
    EXPECT_EQ(outcome.message(), expected(37));
    EXPECT_EQ(testsupport::batchFiles(root.path()).size(), 41);
}

TEST_F(SaneDeviceFaultsTest, ManualTwoSidedNamesAJamAndTemplatesTakeTheFlatbedAndAskForTheBack)
{
    // A jam on the backs names the jam too; both passes stay on disk.
    ScriptedPrompt jammedBacks(*script, BackSideChoice::scanBacks, 3, 1);
    service.setBackSidePrompt(&jammedBacks);
    auto outcome = scan(DuplexMode::manual, true);
    EXPECT_EQ(outcome.message(), "3 fronts and 1 back were scanned. Feed the backs again.\n" +
                                     keptIn() + "\nDocument feeder jammed [domain: SANE, code: 6]");

    // A jam on the fronts keeps them and asks for no backs.
    script->pages = 3;
    script->failStartAfterPages = 2;
    outcome = scan(DuplexMode::manual, true);
    EXPECT_EQ(outcome.message(),
              "2 fronts were scanned before the feeder jammed. Nothing was read: scan the fronts "
              "again.\n" +
                  keptIn());
    EXPECT_EQ(testsupport::batchFiles(root.path()).size(), 4 + 2);
    script->failStartAfterPages = -1;

    // A template scan takes the glass by itself and asks for the back.
    script->change([](FakeScript::Options& o) { o.sources = {"ADF", "Flatbed"}; });
    discovered();
    script->takeSettings(); // the settings discovery tried
    ScriptedPrompt turnOver(*script, BackSideChoice::scanBacks, 3);
    service.setBackSidePrompt(&turnOver);
    ScanSettings settings;
    settings.templateScan = true;
    service.setScanSettings(settings);
    const auto twoSides = scan();
    ASSERT_TRUE(twoSides.value) << twoSides.message();
    EXPECT_EQ(turnOver.templateQuestions, 1);
    EXPECT_EQ(script->takeSettings(), QStringList({"source=Flatbed", "source=Flatbed"}));
    ASSERT_EQ(twoSides.value->pages.size(), 2);
    EXPECT_EQ(twoSides.value->pages[1].surveyNumber, 1);
    EXPECT_EQ(twoSides.value->pages[1].side, SurveySide::back);

    ScriptedPrompt done(*script, BackSideChoice::cancel, 3);
    service.setBackSidePrompt(&done);
    EXPECT_EQ(scan().value.value_or(ScanBatchResult{}).pages.size(), 1);
    // Feeder chosen: the template comes through the feeder, nothing is asked.
    settings.source = ScanSource::feeder;
    service.setScanSettings(settings);
    EXPECT_EQ(scan().value.value_or(ScanBatchResult{}).pages.size(), 3);
    EXPECT_EQ(done.templateQuestions, 1);

    // A device with a flatbed only scans one page and sets no source.
    script->change([](FakeScript::Options& o) { o.sources = {"Flatbed"}; });
    script->takeSettings();
    settings.source = ScanSource::automatic;
    settings.templateScan = false;
    service.setScanSettings(settings);
    EXPECT_EQ(scan().value.value_or(ScanBatchResult{}).pages.size(), 1);
    EXPECT_TRUE(script->takeSettings().isEmpty());
}

QString writeImage(const QString& path, int width, const char* format = nullptr)
{
    return testsupport::writePageImage(path, QSize(width, 20), 0, format);
}

// A chosen folder gives its pages; the whole choice is sorted by file name.
// Fronts and backs of manual two-sided are checked through the store.
TEST(ImportTest, CopiesImagesAndPdfPagesInNaturalOrderRefusesUnreadableFilesAndHonoursCancel)
{
    QTemporaryDir input, scans;
    ImportScannerService service{nullptr, scans.path()};
    QList<ImportSides> asked;
    const auto import = [&](const QList<QStringList>& answers, DuplexMode mode, bool bothSides) {
        ScriptedChooser chooser;
        chooser.answers = answers;
        service.setFileChooser(&chooser);
        auto outcome = runScan(service.scanBatch(ImportScannerService::device(),
                                                 scanConfiguration(mode, bothSides, "Imported")));
        asked = chooser.asked;
        return outcome;
    };
    QDir().mkpath(input.filePath("folder"));
    const QString pdf = input.filePath("scan 3.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::A6));
        writer.setResolution(300);
        QPainter painter(&writer);
        painter.drawText(100, 100, "Page 1");
        writer.newPage();
        painter.drawText(100, 100, "Page 2");
    }
    writeImage(input.filePath("folder/scan 10.png"), 10);
    const auto outcome = import(
        {{input.filePath("folder"), pdf, writeImage(input.filePath("scan 2.jpg"), 20, "JPEG")}},
        DuplexMode::automatic, true);
    ASSERT_TRUE(outcome.value) << outcome.message();
    const QList<ScanPage>& pages = outcome.value->pages;
    const auto imageWidth = [](const ScanPage& page) {
        return QImage(page.fileURL.toLocalFile()).width();
    };
    EXPECT_EQ(asked, QList<ImportSides>{ImportSides::all});
    ASSERT_EQ(pages.size(), 4);
    EXPECT_TRUE(pages[0].fileURL.toLocalFile().endsWith("/page-1.jpg"));
    EXPECT_EQ(imageWidth(pages[0]), 20);        // scan 2
    EXPECT_NEAR(imageWidth(pages[1]), 1240, 2); // A6 at 300 dpi
    EXPECT_EQ(imageWidth(pages[3]), 10);        // scan 10
    EXPECT_EQ(pages[3].side, SurveySide::back); // numbered as an automatic duplex stack
    EXPECT_EQ(outcome.value->responses.size(), 2);
    EXPECT_TRUE(QFileInfo(pages[0].fileURL.toLocalFile()).dir().dirName().startsWith("Imported-"));
    EXPECT_TRUE(QFile::exists(input.filePath("folder/scan 10.png"))); // the originals stay

    // One unreadable file fails the whole choice, naming the file.
    for (const QString name : {"notes.png", "notes.pdf"}) {
        testsupport::writeBytes(input.filePath(name), "not a page");
        EXPECT_EQ(import({{input.filePath(name), writeImage(input.filePath("good.png"), 8)}},
                         DuplexMode::simplex, false)
                      .message(),
                  name.toStdString() + " could not be read as an image or PDF.");
    }
    const auto canceled = import({}, DuplexMode::simplex, false);
    ASSERT_TRUE(canceled.error);
    EXPECT_EQ(canceled.error->kind(), ScannerServiceError::Kind::nothingChosen);
}

// The bundled stack alternates front and back of each sheet: page-01 is the
// front of the first survey, page-02 its back. Routed through the composite
// service, as the app lists it; importing lists no device of its own. At a
// pace each sheet is delivered as it leaves the feeder, in page order; a
// cancel keeps the sheets of a one-pass scan fed so far and pairs nothing of
// a manual two-sided one.
TEST(SampleScannerService, FeedsTheBundledSheetsInEveryModeAndStopsOnCancel)
{
    QTemporaryDir scans;
    const QString samples = testsupport::sourceDir() + "/samples/";
    const int sides = int(QDir(samples).entryList({"*.png"}, QDir::Files).size());
    // 6000 sheets a minute: 10 ms a sheet.
    auto paced = std::make_shared<SampleScannerService>(samples, scans.path(), 6000);
    CompositeScannerService composite;
    composite.addService(std::make_shared<ImportScannerService>(nullptr, scans.path()));
    composite.addService(paced);
    const auto devices = runScan(composite.discoverScanners());
    ASSERT_EQ(devices.value.value_or(QList<ScannerDevice>()).size(), 1);
    EXPECT_EQ(devices.value->at(0).name.toStdString(), "Sample surveys");
    // Cancels after so many deliveries (0: never).
    const auto scan = [&](DuplexMode mode, bool bothSides, int cancelAfter = 0) {
        QStringList delivered;
        const auto outcome = runScan(composite.scanBatch(
            devices.value->at(0), scanConfiguration(mode, bothSides, "Imported"),
            [&](const QString& file) {
                delivered.append(file);
                if (delivered.size() == cancelAfter)
                    paced->cancelScan();
            }));
        if (outcome.value) {
            EXPECT_EQ(delivered, testsupport::mapped(outcome.value->pages, [](const ScanPage& p) {
                          return p.fileURL.toLocalFile();
                      }));
        }
        return outcome;
    };
    const QList<ScanPage> manual =
        scan(DuplexMode::manual, true).value.value_or(ScanBatchResult{}).pages;
    ASSERT_EQ(manual.size(), sides);
    EXPECT_EQ(manual[sides / 2].side, SurveySide::back);
    EXPECT_EQ(manual[sides / 2].surveyNumber, 1);
    EXPECT_EQ(testsupport::readBytes(manual[sides / 2].fileURL.toLocalFile()),
              testsupport::readBytes(samples + "page-02.png"));
    const QList<ScanPage> single =
        scan(DuplexMode::simplex, true).value.value_or(ScanBatchResult{}).pages;
    ASSERT_EQ(single.size(), (sides + 1) / 2);
    EXPECT_EQ(testsupport::readBytes(single[1].fileURL.toLocalFile()),
              testsupport::readBytes(samples + "page-03.png"));

    const auto canceled = scan(DuplexMode::automatic, true, 1);
    ASSERT_TRUE(canceled.value) << canceled.message();
    EXPECT_EQ(canceled.value->pages.size(), 2);
    EXPECT_TRUE(canceled.value->endedEarly.has_value());
    for (const int cancelAfter : {1, (sides + 1) / 2 + 1}) {
        const auto unpaired = scan(DuplexMode::manual, true, cancelAfter);
        ASSERT_TRUE(unpaired.error) << cancelAfter;
        EXPECT_EQ(unpaired.error->kind(), ScannerServiceError::Kind::twoSidedIncomplete);
    }

    ScannerDevice unknown;
    unknown.id = "nowhere:1";
    EXPECT_EQ(runScan(composite.scanBatch(
                          unknown, scanConfiguration(DuplexMode::automatic, true, "Imported")))
                  .message(),
              "The selected scanner is no longer available.");
}

} // namespace
