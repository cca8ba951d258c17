#include "StoreFixture.h"
#include "scanner/ImportScannerService.h"
#include "store/ReadingCopies.h"
#include "store/ScanPreferences.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QImage>
#include <QSettings>
#include <QSignalSpy>

namespace {

// The file panel seam: answers each question with the next list of files.
class ScriptedChooser : public ImportFileChooser
{
public:
    QList<QStringList> answers;
    QList<ImportSides> asked;

    QCoro::Task<QStringList> chooseFiles(ImportSides sides) override
    {
        asked.append(sides);
        co_return answers.isEmpty() ? QStringList() : answers.takeFirst();
    }
};

QString writePage(const QString& path, int width, int dpi = 0)
{
    QImage image(width, width, QImage::Format_Grayscale8);
    image.fill(230);
    if (dpi > 0) {
        image.setDotsPerMeterX(qRound(dpi / 0.0254));
        image.setDotsPerMeterY(qRound(dpi / 0.0254));
    }
    EXPECT_TRUE(image.save(path));
    return path;
}

class StoreBatchFlowImport : public StoreFixture
{
protected:
    StoreBatchFlowImport() : importer(&chooser, dir.filePath("scans"))
    {
        store.setImportService(&importer);
        QDir().mkpath(dir.filePath("in"));
    }

    QStringList pages(const QString& stem, int count)
    {
        QStringList files;
        for (int i = 1; i <= count; ++i)
            files.append(
                writePage(dir.filePath(QStringLiteral("in/%1-%2.png").arg(stem).arg(i)), 8));
        return files;
    }

    void manualTwoSided()
    {
        SurveyConfiguration configuration = store.configuration();
        configuration.duplexMode = DuplexMode::manual;
        configuration.scanBothSides = true;
        store.setConfiguration(configuration);
    }

    int filesKept() const
    {
        int count = 0;
        const QDir scans(dir.filePath("scans"));
        for (const QString& folder : scans.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            count += int(QDir(scans.filePath(folder)).entryList(QDir::Files).size());
        return count;
    }

    ScriptedChooser chooser;
    ImportScannerService importer;
};

TEST_F(StoreBatchFlowImport, ManualTwoSidedImportReadsThePairsAndUnequalSidesPairNothing)
{
    manualTwoSided();
    chooser.answers = {pages("front", 2), pages("back", 2)};
    QCoro::waitFor(store.importScannedFiles());

    EXPECT_EQ(chooser.asked, (QList<ImportSides>{ImportSides::fronts, ImportSides::backs}));
    ASSERT_EQ(store.pages().size(), 4);
    EXPECT_EQ(store.pages()[2].surveyNumber, 1);
    EXPECT_EQ(store.pages()[2].side, SurveySide::back);
    EXPECT_EQ(store.responses().size(), 2);
    EXPECT_EQ(store.errorMessage(), std::nullopt);
    // No scanner was needed, and none was used.
    EXPECT_TRUE(scanner.scanConfigurations.isEmpty());

    chooser.answers = {pages("front", 10), pages("back", 6)};
    QCoro::waitFor(store.importScannedFiles());
    ASSERT_TRUE(store.errorMessage());
    EXPECT_TRUE(store.errorMessage()->startsWith("10 fronts and 6 backs were scanned. Feed the "
                                                 "backs again.\nThe scanned pages are kept in "))
        << store.errorMessage()->toStdString();
    EXPECT_EQ(store.statusMessage(), "Import failed.");
    EXPECT_EQ(store.pages().size(), 4);
    EXPECT_TRUE(reader.readPages.last().isEmpty()); // the reading ended with nothing to read
    EXPECT_EQ(filesKept(), 4 + 16);
    EXPECT_EQ(store.stage(), ScanStage::idle);
}

TEST_F(StoreBatchFlowImport, ClosingTheChooserChangesAndReportsNothing)
{
    connectScanner();
    runBatch(2);
    store.clearErrorMessage();
    const QString status = store.statusMessage();
    const ScanStage stage = store.stage();
    const auto selected = store.selectedSurveyNumber();
    manualTwoSided();
    QSignalSpy errors(&store, &SurveyScanStore::errorMessageChanged);

    // Fronts chosen, then the backs panel closed; and the first panel closed.
    chooser.answers = {pages("front", 2)};
    QCoro::waitFor(store.importScannedFiles());
    QCoro::waitFor(store.importScannedFiles());

    EXPECT_EQ(chooser.asked.size(), 3);
    EXPECT_EQ(errors.count(), 0);
    EXPECT_EQ(store.statusMessage(), status);
    EXPECT_EQ(store.stage(), stage);
    EXPECT_EQ(store.selectedSurveyNumber(), selected);
    EXPECT_EQ(store.pages().size(), 2);
    EXPECT_EQ(filesKept(), 0);
    EXPECT_TRUE(store.canImport());
}

TEST_F(StoreBatchFlowImport, ScanSettingsComeFromThePreferencesPerDevice)
{
    QSettings file(dir.filePath("prefs.ini"), QSettings::IniFormat);
    ScanPreferences preferences(&file);
    store.setScanPreferences(&preferences);
    connectScanner();

    // Nothing chosen yet: 300 dpi grey, Automatic.
    runBatch(1);
    ASSERT_EQ(scanner.settingsSeen.size(), 1);
    EXPECT_EQ(scanner.settingsSeen.last(), ScanSettings{});

    preferences.setResolution(600);
    preferences.setColour(ScanColour::colour);
    preferences.setSource("test:0", ScanSource::flatbed);
    runBatch(1);
    EXPECT_EQ(scanner.settingsSeen.last(),
              (ScanSettings{600, ScanColour::colour, ScanSource::flatbed, false}));
    QCoro::waitFor(store.scanTemplatePage());
    EXPECT_TRUE(scanner.settingsSeen.last().templateScan);

    // Kept in the preferences file, never in the project: a new start reads them back.
    file.sync();
    QSettings reopened(dir.filePath("prefs.ini"), QSettings::IniFormat);
    const ScanPreferences again(&reopened);
    EXPECT_EQ(again.settingsFor("test:0", false),
              (ScanSettings{600, ScanColour::colour, ScanSource::flatbed, false}));
    EXPECT_EQ(again.source("unknown:2"), ScanSource::automatic);
    reopened.setValue("scan/resolution", 123);
    EXPECT_EQ(again.resolution(), 300);
}

TEST_F(StoreBatchFlowImport, PagesAbove300DpiAreReadFromAHalfSizeCopy)
{
    const QString fine = writePage(dir.filePath("in/fine.png"), 400, 600);
    const QString plain = writePage(dir.filePath("in/plain.png"), 100, 300);
    connectScanner();
    runBatch(2);
    // The scripted batch names its own files; point them at these two.
    ScanBatchResult batch = makeScannedBatch(2, 1, {fine, plain});
    scanner.scripted.enqueue(batch);
    QCoro::waitFor(store.startScanBatch());

    const QList<ScanPage>& read = reader.readPages.last();
    ASSERT_EQ(read.size(), 2);
    const QImage copy(read[0].fileURL.toLocalFile());
    EXPECT_NE(read[0].fileURL.toLocalFile(), fine);
    EXPECT_EQ(copy.width(), 200);
    EXPECT_NEAR(copy.dotsPerMeterX() * 0.0254, 300, 0.5);
    EXPECT_EQ(read[1].fileURL.toLocalFile(), plain);
    // The store keeps the full-resolution scan.
    EXPECT_EQ(store.pages()[2].fileURL.toLocalFile(), fine);
    EXPECT_EQ(QImage(fine).width(), 400);
}

} // namespace
