#include "SaneTestBackend.h"
#include "ScanOutcome.h"
#include "TestSupport.h"
#include "scanner/BackSidePrompt.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testsupport::runTask;

// Records what was on disk when the operator was asked to turn the stack.
class RecordingPrompt : public BackSidePrompt
{
public:
    explicit RecordingPrompt(QString root, BackSideChoice answer = BackSideChoice::scanBacks)
        : m_root(std::move(root)), m_answer(answer)
    {
    }

    QCoro::Task<BackSideChoice> askToReloadBacks() override
    {
        ++calls;
        filesWhenAsked = allFiles();
        co_return m_answer;
    }

    QStringList allFiles() const
    {
        QStringList files;
        for (const QString& folder : QDir(m_root).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            files += QDir(m_root + "/" + folder).entryList(QDir::Files, QDir::Name);
        return files;
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
        : service(SaneTestBackend::instance().worker(),
                  SaneServiceOptions{root.path(), root.filePath("no-usb"), SaneTimeouts{}})
    {
    }

    ScannerDevice testDevice()
    {
        const QList<ScannerDevice> devices = runTask(service.discoverScanners());
        for (const ScannerDevice& device : devices)
            if (device.id == "test:0")
                return device;
        ADD_FAILURE() << "test:0 not discovered";
        return {};
    }

    SurveyConfiguration configuration(DuplexMode mode, bool bothSides)
    {
        SurveyConfiguration config;
        config.title = "Ward survey";
        config.duplexMode = mode;
        config.scanBothSides = bothSides;
        config.questionCount = 3;
        return config;
    }

    // The batch's result; a scanner error fails the test instead of hanging it.
    static ScanBatchResult scanned(QCoro::Task<ScanBatchResult>&& task)
    {
        auto outcome = runScan(std::move(task));
        if (!outcome.value) {
            ADD_FAILURE() << outcome.message();
            return {};
        }
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
        EXPECT_EQ(device.connection, "virtual device");
        EXPECT_TRUE(device.hasDocumentFeeder);
        EXPECT_TRUE(device.isControllable);
        EXPECT_TRUE(device.isOnline);
        EXPECT_EQ(device.statusDetail, "Ready to scan through SANE.");
    }
}

TEST_F(SaneScannerServiceTest, FeederBatchWritesNumberedPagesIntoANewFolder)
{
    const ScannerDevice device = testDevice();
    const ScanBatchResult result =
        scanned(service.scanBatch(device, configuration(DuplexMode::simplex, true)));

    // The test backend's feeder holds ten sheets.
    ASSERT_EQ(result.pages.size(), 10);
    const QFileInfo first(result.pages[0].fileURL.toLocalFile());
    EXPECT_EQ(first.fileName(), "surveys-1.png");
    EXPECT_TRUE(first.dir().dirName().startsWith("Ward survey-"))
        << first.dir().path().toStdString();
    EXPECT_EQ(first.dir().absolutePath(),
              QDir(root.path()).absoluteFilePath(first.dir().dirName()));
    EXPECT_EQ(QFileInfo(result.pages[9].fileURL.toLocalFile()).fileName(), "surveys-10.png");
    for (qsizetype i = 0; i < result.pages.size(); ++i) {
        EXPECT_EQ(result.pages[i].surveyNumber, i + 1);
        EXPECT_EQ(result.pages[i].side, SurveySide::front);
        EXPECT_EQ(result.pages[i].pageNumber, i + 1);
    }

    // 80 x 100 mm at 25 dpi, solid black in grey.
    const QImage page(first.filePath());
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(page.width(), 79, 1);
    EXPECT_NEAR(page.height(), 98, 1);
    EXPECT_EQ(qGray(page.pixel(page.width() / 2, page.height() / 2)), 0);

    ASSERT_EQ(result.responses.size(), 10);
    EXPECT_EQ(result.responses[9].surveyNumber, 10);
    EXPECT_EQ(result.responses[0].answers, QStringList(3, QString()));

    // A second batch never shares the first one's folder.
    const ScanBatchResult second =
        scanned(service.scanBatch(device, configuration(DuplexMode::simplex, false)));
    EXPECT_NE(QFileInfo(second.pages[0].fileURL.toLocalFile()).dir().path(), first.dir().path());
}

TEST_F(SaneScannerServiceTest, ManualTwoSidedAsksBetweenPassesAndPairsPages)
{
    RecordingPrompt prompt(root.path());
    service.setBackSidePrompt(&prompt);
    const ScanBatchResult result =
        scanned(service.scanBatch(testDevice(), configuration(DuplexMode::manual, true)));

    EXPECT_EQ(prompt.calls, 1);
    // The fronts were all on disk, and no back yet, when the operator was asked.
    EXPECT_EQ(prompt.filesWhenAsked.size(), 10);
    EXPECT_TRUE(prompt.filesWhenAsked.filter("backs").isEmpty());

    ASSERT_EQ(result.pages.size(), 20);
    EXPECT_EQ(QFileInfo(result.pages[0].fileURL.toLocalFile()).fileName(), "fronts-1.png");
    EXPECT_EQ(QFileInfo(result.pages[9].fileURL.toLocalFile()).fileName(), "fronts-10.png");
    EXPECT_EQ(QFileInfo(result.pages[10].fileURL.toLocalFile()).fileName(), "backs-1.png");
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
    EXPECT_EQ(outcome.error->kind(), ScannerServiceError::Kind::scanCanceled);
    EXPECT_EQ(prompt.allFiles().size(), 10);
}

TEST_F(SaneScannerServiceTest, CancelMidPassStopsTheScanAndKeepsWrittenPages)
{
    const ScannerDevice device = testDevice();
    int delivered = 0;
    QObject::connect(&service, &SaneScannerService::pageScanned, [&] {
        if (++delivered == 2)
            service.cancelScan();
    });
    const auto outcome =
        runScan(service.scanBatch(device, configuration(DuplexMode::simplex, false)));
    EXPECT_EQ(outcome.message(), "The scan was canceled.");
    RecordingPrompt files(root.path());
    const int kept = int(files.allFiles().size());
    EXPECT_GE(kept, 2);
    EXPECT_LT(kept, 10);

    // The device is left usable: the next batch scans the whole stack.
    const ScanBatchResult next =
        scanned(service.scanBatch(device, configuration(DuplexMode::simplex, false)));
    EXPECT_EQ(next.pages.size(), 10);
}

TEST_F(SaneScannerServiceTest, DuplexWantedOnAFeederWithoutItStillNumbersAlternately)
{
    // The test backend's feeder has no duplex: the request is quietly left
    // off and the files are read as front, back, front, back.
    const ScanBatchResult result =
        scanned(service.scanBatch(testDevice(), configuration(DuplexMode::automatic, true)));
    ASSERT_EQ(result.pages.size(), 10);
    EXPECT_EQ(QFileInfo(result.pages[1].fileURL.toLocalFile()).fileName(), "surveys-2.png");
    EXPECT_EQ(result.pages[1].surveyNumber, 1);
    EXPECT_EQ(result.pages[1].side, SurveySide::back);
    EXPECT_EQ(result.pages[9].surveyNumber, 5);
    EXPECT_EQ(result.responses.size(), 5);
}

TEST_F(SaneScannerServiceTest, SecondBatchWhileScanningIsRefused)
{
    const ScannerDevice device = testDevice();
    QCoro::Task<ScanBatchResult> first =
        service.scanBatch(device, configuration(DuplexMode::simplex, false));
    EXPECT_EQ(
        runScan(service.scanBatch(device, configuration(DuplexMode::simplex, false))).message(),
        "A scan is already running.");
    const auto finished = runScan(std::move(first));
    ASSERT_TRUE(finished.value) << finished.message();
    EXPECT_EQ(finished.value->pages.size(), 10);
}

TEST_F(SaneScannerServiceTest, UnknownDeviceIsUnavailable)
{
    ScannerDevice gone;
    gone.id = "test:7";
    const auto outcome =
        runScan(service.scanBatch(gone, configuration(DuplexMode::simplex, false)));
    EXPECT_EQ(outcome.message(), "The selected scanner is no longer available.");
}

} // namespace
