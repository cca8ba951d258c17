#include "ScriptedChooser.h"
#include "StoreFixture.h"
#include "scanner/ImportScannerService.h"
#include "store/ScanPreferences.h"

#include <QDir>
#include <QImage>
#include <QSettings>

namespace {
using testsupport::writePageImage;

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
            files.append(writePageImage(dir.filePath(QString("in/%1-%2.png").arg(stem).arg(i)),
                                        QSize(8, 8)));
        return files;
    }

    ScriptedChooser chooser;
    ImportScannerService importer;
};

TEST_F(StoreBatchFlowImport,
       ManualTwoSidedImportReadsThePairsUnequalSidesPairNothingAndClosingChangesNothing)
{
    SurveyConfiguration configuration = store.configuration();
    configuration.duplexMode = DuplexMode::manual;
    store.setConfiguration(configuration);
    chooser.answers = {pages("front", 2), pages("back", 2)};
    QCoro::waitFor(store.importScannedFiles());

    EXPECT_EQ(chooser.asked, (QList<ImportSides>{ImportSides::fronts, ImportSides::backs}));
    ASSERT_EQ(store.pages().size(), 4);
    EXPECT_EQ(store.pages()[2].surveyNumber, 1);
    EXPECT_EQ(store.pages()[2].side, SurveySide::back);
    EXPECT_EQ(store.responses().size(), 2);
    // No scanner was needed, and none was used.
    EXPECT_TRUE(scanner.scanConfigurations.isEmpty());

    chooser.answers = {pages("front", 10), pages("back", 6)};
    QCoro::waitFor(store.importScannedFiles());
    ASSERT_TRUE(store.errorMessage());
    EXPECT_TRUE(store.errorMessage()->startsWith("10 fronts and 6 backs were scanned. Feed the "
                                                 "backs again.\nThe scanned pages are kept in "))
        << store.errorMessage()->toStdString();
    EXPECT_EQ(store.pages().size(), 4);
    EXPECT_TRUE(reader.readPages.last().isEmpty()); // the reading ended with nothing to read
    EXPECT_EQ(testsupport::batchFiles(dir.filePath("scans")).size(), 4 + 16);

    // Fronts chosen, then the backs panel closed; and the first panel closed:
    // nothing changes and nothing is reported.
    store.clearErrorMessage();
    chooser.answers = {pages("front", 2)};
    QCoro::waitFor(store.importScannedFiles());
    QCoro::waitFor(store.importScannedFiles());
    EXPECT_EQ(chooser.asked.size(), 7);
    EXPECT_FALSE(store.errorMessage());
    EXPECT_EQ(store.pages().size(), 4);
    EXPECT_EQ(testsupport::batchFiles(dir.filePath("scans")).size(), 4 + 16);
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

    // A new start reads them back from the preferences file, refusing odd values.
    file.setValue("scan/resolution", 123);
    file.sync();
    QSettings reopened(dir.filePath("prefs.ini"), QSettings::IniFormat);
    EXPECT_EQ(ScanPreferences(&reopened).settingsFor("test:0", false),
              (ScanSettings{300, ScanColour::colour, ScanSource::flatbed, false}));
}

// The reader gets a 300-dpi copy; the store keeps the full-resolution scan.
TEST_F(StoreBatchFlowImport, PagesAbove300DpiAreReadFromAHalfSizeCopy)
{
    const QString fine = writePageImage(dir.filePath("in/fine.png"), QSize(400, 400), 600);
    const QString plain = writePageImage(dir.filePath("in/plain.png"), QSize(100, 100), 300);
    connectScanner();
    scanner.scripted.enqueue(makeScannedBatch(2, 1, {fine, plain}));
    QCoro::waitFor(store.startScanBatch());
    const QList<ScanPage>& read = reader.readPages.last();
    ASSERT_EQ(read.size(), 2);
    EXPECT_EQ(QImage(read[0].fileURL.toLocalFile()).width(), 200);
    EXPECT_EQ(read[1].fileURL.toLocalFile(), plain);
    EXPECT_EQ(testsupport::mapped(store.pages(), [](const ScanPage& p) { return p.fileURL; }),
              (QList<QUrl>{QUrl::fromLocalFile(fine), QUrl::fromLocalFile(plain)}));
}

} // namespace
