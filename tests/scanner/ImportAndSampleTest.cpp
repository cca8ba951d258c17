#include "ScanOutcome.h"
#include "TestSupport.h"
#include "scanner/CompositeScannerService.h"
#include "scanner/ImportScannerService.h"
#include "scanner/SampleScannerService.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Answers each question of the chooser with the next list; records what was asked.
class ListChooser : public ImportFileChooser
{
public:
    explicit ListChooser(QList<QStringList> answers) : m_answers(std::move(answers)) {}
    QCoro::Task<QStringList> chooseFiles(ImportSides sides) override
    {
        asked.append(sides);
        co_return m_answers.isEmpty() ? QStringList() : m_answers.takeFirst();
    }
    QList<ImportSides> asked;

private:
    QList<QStringList> m_answers;
};

QString writeImage(const QString& path, int width, const char* format = nullptr)
{
    QImage image(width, 20, QImage::Format_Grayscale8);
    image.fill(200);
    EXPECT_TRUE(image.save(path, format));
    return path;
}

QString writePdf(const QString& path, int pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A6));
    writer.setResolution(300);
    QPainter painter(&writer);
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        painter.drawText(100, 100, QStringLiteral("Page %1").arg(page + 1));
    }
    painter.end();
    return path;
}

std::string fileNames(const QList<ScanPage>& pages)
{
    QStringList names;
    for (const ScanPage& page : pages)
        names.append(QFileInfo(page.fileURL.toLocalFile()).fileName());
    return names.join(' ').toStdString();
}

SurveyConfiguration configuration(DuplexMode mode, bool bothSides)
{
    SurveyConfiguration config;
    config.title = "Imported";
    config.duplexMode = mode;
    config.scanBothSides = bothSides;
    return config;
}

class ImportTest : public ::testing::Test
{
protected:
    ScanOutcome<ScanBatchResult> import(const QList<QStringList>& answers, DuplexMode mode,
                                        bool bothSides)
    {
        ListChooser chooser(answers);
        service.setFileChooser(&chooser);
        auto outcome = runScan(
            service.scanBatch(ImportScannerService::device(), configuration(mode, bothSides)));
        asked = chooser.asked;
        return outcome;
    }
    ScanOutcome<ScanBatchResult> import(const QStringList& files, DuplexMode mode, bool bothSides)
    {
        return import(QList<QStringList>{files}, mode, bothSides);
    }

    int filesKept() const
    {
        int count = 0;
        for (const QString& folder :
             QDir(scans.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            count += int(QDir(scans.filePath(folder)).entryList(QDir::Files).size());
        return count;
    }

    QList<ImportSides> asked;

    QTemporaryDir input;
    QTemporaryDir scans;
    ImportScannerService service{nullptr, scans.path()};
};

TEST_F(ImportTest, CopiesImagesAndRendersPdfPagesInNaturalOrder)
{
    const auto outcome = import({writeImage(input.filePath("scan 10.png"), 10),
                                 writePdf(input.filePath("scan 3.pdf"), 2),
                                 writeImage(input.filePath("scan 2.jpg"), 20, "JPEG")},
                                DuplexMode::simplex, true);
    ASSERT_TRUE(outcome.value) << outcome.message();
    const ScanBatchResult& result = *outcome.value;

    EXPECT_EQ(fileNames(result.pages), "page-1.jpg page-2.png page-3.png page-4.png");
    EXPECT_EQ(QImage(result.pages[0].fileURL.toLocalFile()).width(), 20);        // scan 2
    EXPECT_EQ(QImage(result.pages[3].fileURL.toLocalFile()).width(), 10);        // scan 10
    EXPECT_NEAR(QImage(result.pages[1].fileURL.toLocalFile()).width(), 1240, 2); // A6 at 300 dpi
    EXPECT_EQ(result.pages[3].surveyNumber, 4);
    EXPECT_EQ(result.responses.size(), 4);
    EXPECT_TRUE(
        QFileInfo(result.pages[0].fileURL.toLocalFile()).dir().dirName().startsWith("Imported-"));
    // The originals stay where they were.
    EXPECT_TRUE(QFile::exists(input.filePath("scan 10.png")));
}

TEST_F(ImportTest, ManualTwoSidedAsksForFrontsThenBacksAndPairsOnlyEqualCounts)
{
    QDir().mkpath(input.filePath("fronts"));
    for (int i = 1; i <= 3; ++i) {
        writeImage(input.filePath(QStringLiteral("fronts/p%1.png").arg(i)), 8);
        writeImage(input.filePath(QStringLiteral("b%1.png").arg(i)), 9);
    }
    const QStringList backs = {input.filePath("b3.png"), input.filePath("b1.png"),
                               input.filePath("b2.png")};
    auto outcome =
        import(QList<QStringList>{{input.filePath("fronts")}, backs}, DuplexMode::manual, true);
    ASSERT_TRUE(outcome.value) << outcome.message();
    EXPECT_EQ(asked, (QList<ImportSides>{ImportSides::fronts, ImportSides::backs}));
    const QList<ScanPage>& pages = outcome.value->pages;
    ASSERT_EQ(pages.size(), 6);
    // The first back is b1 (natural order), paired with the first front.
    EXPECT_EQ(pages[3].surveyNumber, 1);
    EXPECT_EQ(pages[3].side, SurveySide::back);
    EXPECT_EQ(QImage(pages[3].fileURL.toLocalFile()).width(), 9);
    EXPECT_EQ(QImage(pages[0].fileURL.toLocalFile()).width(), 8);
    EXPECT_EQ(outcome.value->responses.size(), 3);

    // One back short: nothing is paired, the copies are kept, the operator is told.
    const int before = filesKept();
    outcome = import(QList<QStringList>{{input.filePath("fronts")}, backs.mid(0, 2)},
                     DuplexMode::manual, true);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), ScannerServiceError::Kind::twoSidedIncomplete);
    EXPECT_TRUE(outcome.message().starts_with(
        "3 fronts and 2 backs were scanned. Feed the backs again.\nThe scanned pages are kept in "))
        << outcome.message();
    EXPECT_EQ(filesKept(), before + 5);

    // The backs chooser closed: nothing is copied, nothing to report.
    outcome = import(QList<QStringList>{{input.filePath("fronts")}}, DuplexMode::manual, true);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), ScannerServiceError::Kind::nothingChosen);
    EXPECT_EQ(filesKept(), before + 5);
}

TEST_F(ImportTest, OneSidedOrDuplexStacksAreChosenOnce)
{
    for (int i = 1; i <= 4; ++i)
        writeImage(input.filePath(QStringLiteral("p%1.png").arg(i)), 8);
    const auto outcome = import({input.path()}, DuplexMode::automatic, true);
    ASSERT_TRUE(outcome.value) << outcome.message();
    EXPECT_EQ(asked, QList<ImportSides>{ImportSides::all});
    EXPECT_EQ(outcome.value->pages[1].side, SurveySide::back);
    EXPECT_EQ(outcome.value->responses.size(), 2);
}

TEST_F(ImportTest, RefusesWhatItCannotReadAndHonoursCancel)
{
    QFile bad(input.filePath("notes.png"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not an image");
    bad.close();
    EXPECT_EQ(import({bad.fileName(), writeImage(input.filePath("good.png"), 8)},
                     DuplexMode::simplex, false)
                  .message(),
              "notes.png could not be read as an image or PDF.");

    const auto canceled = import(QStringList(), DuplexMode::simplex, false);
    ASSERT_TRUE(canceled.error);
    EXPECT_EQ(canceled.error->kind(), ScannerServiceError::Kind::nothingChosen);
}

class SampleFeederTest : public ::testing::Test
{
protected:
    SampleFeederTest() : service(testsupport::sourceDir() + "/samples", scans.path()) {}

    ScanBatchResult scan(DuplexMode mode, bool bothSides)
    {
        const auto outcome = runScan(
            service.scanBatch(SampleScannerService::device(), configuration(mode, bothSides)));
        EXPECT_TRUE(outcome.value) << outcome.message();
        return outcome.value.value_or(ScanBatchResult{});
    }

    static QByteArray bytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir scans;
    SampleScannerService service;
};

// The bundled stack alternates front and back of each sheet: page-01 is the
// front of the first survey, page-02 its back.
TEST_F(SampleFeederTest, FeedsTheBundledSheetsInEveryMode)
{
    const QString samples = testsupport::sourceDir() + "/samples/";
    const int sides = int(QDir(samples).entryList({"*.png"}, QDir::Files).size());
    ASSERT_GE(sides, 4);

    const ScanBatchResult duplex = scan(DuplexMode::automatic, true);
    ASSERT_EQ(duplex.pages.size(), sides);
    EXPECT_EQ(duplex.pages[1].side, SurveySide::back);
    EXPECT_EQ(duplex.pages[1].surveyNumber, 1);

    const ScanBatchResult manual = scan(DuplexMode::manual, true);
    ASSERT_EQ(manual.pages.size(), sides);
    const ScanPage& firstBack = manual.pages[sides / 2];
    EXPECT_EQ(firstBack.side, SurveySide::back);
    EXPECT_EQ(firstBack.surveyNumber, 1);
    EXPECT_EQ(bytes(firstBack.fileURL.toLocalFile()), bytes(samples + "page-02.png"));

    const ScanBatchResult single = scan(DuplexMode::simplex, true);
    ASSERT_EQ(single.pages.size(), (sides + 1) / 2);
    EXPECT_EQ(bytes(single.pages[1].fileURL.toLocalFile()), bytes(samples + "page-03.png"));
}

// At a pace, each sheet is delivered as it leaves the feeder, before the
// pass ends. A cancel keeps the sheets of a one-pass scan fed so far and
// pairs nothing of a manual two-sided one.
TEST_F(SampleFeederTest, DeliversSheetsAtItsPaceAndStopsOnCancel)
{
    struct Case
    {
        const char* name;
        DuplexMode mode;
        int cancelAfter; // deliveries before the operator cancels; 0 never
        int pagesKept;   // -1: the scan fails with twoSidedIncomplete
    };
    const int sides =
        int(QDir(testsupport::sourceDir() + "/samples").entryList({"*.png"}, QDir::Files).size());
    const Case cases[] = {
        {"duplex to the end", DuplexMode::automatic, 0, sides},
        {"duplex canceled on the first sheet", DuplexMode::automatic, 1, 2},
        {"manual canceled during the fronts", DuplexMode::manual, 1, -1},
        {"manual canceled during the backs", DuplexMode::manual, (sides + 1) / 2 + 1, -1},
    };
    // 6000 sheets a minute: 10 ms a sheet.
    SampleScannerService paced(testsupport::sourceDir() + "/samples", scans.path(), 6000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList delivered;
        const auto outcome = runScan(paced.scanBatch(
            SampleScannerService::device(), configuration(c.mode, true), [&](const QString& file) {
                delivered.append(file);
                if (delivered.size() == c.cancelAfter)
                    paced.cancelScan();
            }));
        if (c.pagesKept < 0) {
            ASSERT_TRUE(outcome.error);
            EXPECT_EQ(outcome.error->kind(), ScannerServiceError::Kind::twoSidedIncomplete);
            continue;
        }
        ASSERT_TRUE(outcome.value) << outcome.message();
        QStringList files;
        for (const ScanPage& page : outcome.value->pages)
            files.append(page.fileURL.toLocalFile());
        EXPECT_EQ(delivered, files);
        EXPECT_EQ(files.size(), c.pagesKept);
        EXPECT_EQ(outcome.value->endedEarly.has_value(), c.cancelAfter > 0);
    }
}

TEST(CompositeScannerService, ListsScannersOnlyAndRoutesBatches)
{
    QTemporaryDir scans;
    CompositeScannerService composite;
    composite.addService(std::make_shared<ImportScannerService>(nullptr, scans.path()));
    composite.addService(std::make_shared<SampleScannerService>(
        testsupport::sourceDir() + "/samples", scans.path()));

    const auto devices = runScan(composite.discoverScanners());
    ASSERT_TRUE(devices.value);
    // The import service lists no device: importing is an action of its own.
    ASSERT_EQ(devices.value->size(), 1);
    EXPECT_EQ(devices.value->at(0).name.toStdString(), "Sample surveys");

    const auto batch = runScan(
        composite.scanBatch(devices.value->at(0), configuration(DuplexMode::automatic, true)));
    ASSERT_TRUE(batch.value) << batch.message();
    EXPECT_FALSE(batch.value->pages.isEmpty());

    ScannerDevice unknown;
    unknown.id = "nowhere:1";
    EXPECT_EQ(
        runScan(composite.scanBatch(unknown, configuration(DuplexMode::automatic, true))).message(),
        "The selected scanner is no longer available.");
}

} // namespace
