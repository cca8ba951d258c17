#include "scanner/SaneScannerService.h"
#include "ScanOutcome.h"
#include "TestSupport.h"
#include "scanner/BackSidePrompt.h"
#include "scanner/SaneDeviceLayer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testsupport::runTask;

// The SANE `test` backend through a private configuration folder, so the
// tests never depend on (or change) the system's scanner set-up. SANE reads
// the folder once per initialisation, so one worker serves the whole suite.
struct SaneTestBackend
{
    QTemporaryDir config;
    std::shared_ptr<ScanWorker> worker;
};
SaneTestBackend* g_backend = nullptr;

// Stops the worker while the application object still exists.
class ReleaseBackend : public ::testing::Environment
{
public:
    void TearDown() override
    {
        delete g_backend;
        g_backend = nullptr;
    }
};
const auto* const g_release = ::testing::AddGlobalTestEnvironment(new ReleaseBackend);

void writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
}

std::shared_ptr<ScanWorker> saneTestWorker()
{
    if (!g_backend) {
        g_backend = new SaneTestBackend;
        const QTemporaryDir& config = g_backend->config;
        writeFile(config.filePath("dll.conf"), "test\n");
        // Small, slowed-down pages: a feeder pass of ten pages takes about
        // a second, long enough to cancel in the middle of it.
        writeFile(config.filePath("test.conf"), "number_of_devices 2\nresolution 25\n"
                                                "read-limit true\nread-limit-size 2048\n"
                                                "read-delay true\nread-delay-duration 20000\n");
        qputenv("SANE_CONFIG_DIR", config.path().toLocal8Bit());
        g_backend->worker = std::make_shared<ScanWorker>(&makeSaneDeviceLayer);
    }
    return g_backend->worker;
}

QString fileName(const ScanPage& page)
{
    return QFileInfo(page.fileURL.toLocalFile()).fileName();
}

// The files in every batch folder under `root`.
QStringList filesUnder(const QString& root)
{
    QStringList files;
    for (const QString& folder : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        files += QDir(root + "/" + folder).entryList(QDir::Files, QDir::Name);
    return files;
}

// Records what was on disk when the operator was asked to turn the stack.
class RecordingPrompt : public BackSidePrompt
{
public:
    RecordingPrompt(QString root, BackSideChoice answer) : m_root(std::move(root)), m_answer(answer)
    {
    }

    QCoro::Task<BackSideChoice> askToReloadBacks() override
    {
        ++calls;
        filesWhenAsked = filesUnder(m_root);
        co_return m_answer;
    }

    int calls = 0;
    QStringList filesWhenAsked;

private:
    QString m_root;
    BackSideChoice m_answer;
};

class SaneScannerServiceTest : public ::testing::Test
{
protected:
    SaneScannerServiceTest()
        : service(saneTestWorker(),
                  SaneServiceOptions{root.path(), root.filePath("no-usb"), SaneTimeouts{}})
    {
        // Small pages keep the slowed-down backend quick (SaneScanSettingsTest
        // scans at full size).
        ScanSettings small;
        small.resolution = 10;
        service.setScanSettings(small);
    }

    ScannerDevice testDevice()
    {
        for (const ScannerDevice& device : runTask(service.discoverScanners()))
            if (device.id == "test:0")
                return device;
        ADD_FAILURE() << "test:0 not discovered";
        return {};
    }

    static SurveyConfiguration configuration(DuplexMode mode, bool bothSides)
    {
        SurveyConfiguration config;
        config.title = "Ward survey";
        config.duplexMode = mode;
        config.scanBothSides = bothSides;
        config.questionCount = 3;
        return config;
    }

    // The batch's result; a scanner error fails the test instead of hanging it.
    // Every page must have been reported as it came, in page order.
    ScanBatchResult scanned(DuplexMode mode, bool bothSides, const PageDelivered& delivered = {})
    {
        QStringList reported;
        auto outcome = runScan(service.scanBatch(testDevice(), configuration(mode, bothSides),
                                                 [&](const QString& file) {
                                                     reported.append(file);
                                                     if (delivered)
                                                         delivered(file);
                                                 }));
        if (!outcome.value) {
            ADD_FAILURE() << outcome.message();
            return {};
        }
        QStringList files;
        for (const ScanPage& page : outcome.value->pages)
            files.append(page.fileURL.toLocalFile());
        EXPECT_EQ(reported, files);
        return *outcome.value;
    }

    QTemporaryDir root;
    SaneScannerService service;
};

TEST_F(SaneScannerServiceTest, DiscoveryListsTheTestBackendWithItsFeeder)
{
    const QList<ScannerDevice> devices = runTask(service.discoverScanners());
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[0].id.toStdString(), "test:0");
    EXPECT_EQ(devices[1].id.toStdString(), "test:1");
    for (const ScannerDevice& device : devices) {
        EXPECT_EQ(device.name, "Noname frontend-tester");
        EXPECT_TRUE(device.hasDocumentFeeder);
        EXPECT_TRUE(device.isControllable);
        EXPECT_TRUE(device.isOnline);
    }
}

TEST_F(SaneScannerServiceTest, FeederBatchWritesNumberedPagesIntoANewFolder)
{
    const ScanBatchResult result = scanned(DuplexMode::simplex, true);

    // The test backend's feeder holds ten sheets.
    ASSERT_EQ(result.pages.size(), 10);
    const QFileInfo first(result.pages[0].fileURL.toLocalFile());
    EXPECT_EQ(first.fileName(), "surveys-1.png");
    EXPECT_TRUE(first.dir().dirName().startsWith("Ward survey-"))
        << first.dir().path().toStdString();
    EXPECT_EQ(first.dir().absolutePath(),
              QDir(root.path()).absoluteFilePath(first.dir().dirName()));
    EXPECT_EQ(fileName(result.pages[9]), "surveys-10.png");
    for (qsizetype i = 0; i < result.pages.size(); ++i) {
        EXPECT_EQ(result.pages[i].surveyNumber, i + 1);
        EXPECT_EQ(result.pages[i].side, SurveySide::front);
        EXPECT_EQ(result.pages[i].pageNumber, i + 1);
    }

    // The whole 200 x 200 mm scan area at 10 dpi, solid black in grey.
    const QImage page(first.filePath());
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), 79, 1);
    EXPECT_NEAR(page.height(), 79, 1);
    EXPECT_EQ(qGray(page.pixel(page.width() / 2, page.height() / 2)), 0);

    ASSERT_EQ(result.responses.size(), 10);
    EXPECT_EQ(result.responses[9].surveyNumber, 10);
    EXPECT_EQ(result.responses[0].answers, QStringList(3, QString()));

    // A second batch never shares the first one's folder.
    const ScanBatchResult second = scanned(DuplexMode::simplex, false);
    EXPECT_NE(QFileInfo(second.pages[0].fileURL.toLocalFile()).dir().path(), first.dir().path());
}

TEST_F(SaneScannerServiceTest, ManualTwoSidedAsksBetweenPassesAndPairsPages)
{
    RecordingPrompt prompt(root.path(), BackSideChoice::scanBacks);
    service.setBackSidePrompt(&prompt);
    const ScanBatchResult result = scanned(DuplexMode::manual, true);

    EXPECT_EQ(prompt.calls, 1);
    // The fronts were all on disk, and no back yet, when the operator was asked.
    EXPECT_EQ(prompt.filesWhenAsked.size(), 10);
    EXPECT_TRUE(prompt.filesWhenAsked.filter("backs").isEmpty());

    ASSERT_EQ(result.pages.size(), 20);
    EXPECT_EQ(fileName(result.pages[0]), "fronts-1.png");
    EXPECT_EQ(fileName(result.pages[9]), "fronts-10.png");
    EXPECT_EQ(fileName(result.pages[10]), "backs-1.png");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(result.pages[i].surveyNumber, i + 1);
        EXPECT_EQ(result.pages[i].side, SurveySide::front);
        EXPECT_EQ(result.pages[i + 10].surveyNumber, i + 1);
        EXPECT_EQ(result.pages[i + 10].side, SurveySide::back);
        EXPECT_EQ(result.pages[i + 10].pageNumber, i + 11);
    }
    EXPECT_EQ(result.responses.size(), 10);
}

TEST_F(SaneScannerServiceTest, DeclinedBackSidesCancelTheBatchAndKeepTheFronts)
{
    RecordingPrompt prompt(root.path(), BackSideChoice::cancel);
    service.setBackSidePrompt(&prompt);
    const auto outcome =
        runScan(service.scanBatch(testDevice(), configuration(DuplexMode::manual, true)));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), ScannerServiceError::Kind::twoSidedIncomplete);
    EXPECT_TRUE(outcome.error->description().startsWith(
        "10 fronts and 0 backs were scanned. Feed the backs again.\n"));
    EXPECT_EQ(filesUnder(root.path()).size(), 10);
}

TEST_F(SaneScannerServiceTest, CancelMidPassReturnsThePagesScannedSoFar)
{
    int delivered = 0;
    const ScanBatchResult canceled = scanned(DuplexMode::simplex, false, [&](const QString&) {
        if (++delivered == 2)
            service.cancelScan();
    });
    ASSERT_EQ(canceled.pages.size(), 2);
    EXPECT_EQ(fileName(canceled.pages[1]), "surveys-2.png");
    ASSERT_TRUE(canceled.endedEarly);
    EXPECT_EQ(canceled.endedEarly->cause, ScanStopCause::canceled);
    EXPECT_LT(filesUnder(root.path()).size(), 10);

    // The device is left usable: the next batch scans the whole stack.
    EXPECT_EQ(scanned(DuplexMode::simplex, false).pages.size(), 10);
}

TEST_F(SaneScannerServiceTest, DuplexWantedOnAFeederWithoutItPairsNothing)
{
    // The test backend's feeder has no duplex: ten single sides are not five
    // surveys. The files stay for a scan with duplex off.
    const auto outcome =
        runScan(service.scanBatch(testDevice(), configuration(DuplexMode::automatic, true)));
    ASSERT_TRUE(outcome.error);
    EXPECT_TRUE(outcome.error->description().startsWith(
        "Duplex was asked for, but the scanner returned one side per sheet (10 pages). Turn "
        "duplex off or check the driver, then scan again.\n"));
    EXPECT_EQ(filesUnder(root.path()).size(), 10);
}

TEST_F(SaneScannerServiceTest, SecondBatchWhileScanningAndUnknownDeviceAreRefused)
{
    const ScannerDevice device = testDevice();
    const SurveyConfiguration config = configuration(DuplexMode::simplex, false);
    QCoro::Task<ScanBatchResult> first = service.scanBatch(device, config);
    EXPECT_EQ(runScan(service.scanBatch(device, config)).message(), "A scan is already running.");
    const auto finished = runScan(std::move(first));
    ASSERT_TRUE(finished.value) << finished.message();
    EXPECT_EQ(finished.value->pages.size(), 10);

    ScannerDevice gone;
    gone.id = "test:7";
    EXPECT_EQ(runScan(service.scanBatch(gone, config)).message(),
              "The selected scanner is no longer available.");
}

} // namespace
