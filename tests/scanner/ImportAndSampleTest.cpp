#include "ScanOutcome.h"
#include "ScriptedChooser.h"
#include "TestSupport.h"
#include "scanner/CompositeScannerService.h"
#include "scanner/ImportScannerService.h"
#include "scanner/SampleScannerService.h"

#include <QDir>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString writeImage(const QString& path, int width, const char* format = nullptr)
{
    return testsupport::writePageImage(path, QSize(width, 20), 0, format);
}

int imageWidth(const ScanPage& page)
{
    return QImage(page.fileURL.toLocalFile()).width();
}

SurveyConfiguration configuration(DuplexMode mode, bool bothSides)
{
    return scanConfiguration(mode, bothSides, "Imported");
}

class ImportTest : public ::testing::Test
{
protected:
    ScanOutcome<ScanBatchResult> import(const QList<QStringList>& answers, DuplexMode mode,
                                        bool bothSides = true)
    {
        ScriptedChooser chooser;
        chooser.answers = answers;
        service.setFileChooser(&chooser);
        auto outcome = runScan(
            service.scanBatch(ImportScannerService::device(), configuration(mode, bothSides)));
        asked = chooser.asked;
        return outcome;
    }

    QList<ImportSides> asked;
    QTemporaryDir input;
    QTemporaryDir scans;
    ImportScannerService service{nullptr, scans.path()};
};

// A chosen folder gives its pages; the whole choice is sorted by file name.
// Fronts and backs of manual two-sided are checked through the store.
TEST_F(ImportTest, CopiesImagesAndRendersPdfPagesInNaturalOrder)
{
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
        DuplexMode::automatic);
    ASSERT_TRUE(outcome.value) << outcome.message();
    const QList<ScanPage>& pages = outcome.value->pages;
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
}

TEST_F(ImportTest, RefusesWhatItCannotReadAndHonoursCancel)
{
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
            devices.value->at(0), configuration(mode, bothSides), [&](const QString& file) {
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
    EXPECT_EQ(
        runScan(composite.scanBatch(unknown, configuration(DuplexMode::automatic, true))).message(),
        "The selected scanner is no longer available.");
}

} // namespace
