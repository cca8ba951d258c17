#include "ScriptedChooser.h"
#include "StoreFixture.h"
#include "files/SurveyProjectDocument.h"
#include "scanner/ImportScannerService.h"
#include "store/ScanPreferences.h"

#include <QDir>
#include <QImage>
#include <QSettings>
#include <QSignalSpy>
#include <stdexcept>

namespace {
using testsupport::mapped;

QList<qint64> surveyNumbers(const QList<SurveyResponse>& responses)
{
    return mapped(responses, &SurveyResponse::surveyNumber);
}

// The survey of each data row of a CSV file, in file order.
QList<qint64> csvSurveyIds(const QString& filePath)
{
    QStringList rows = testsupport::readText(filePath).split('\n', Qt::SkipEmptyParts).mid(1);
    return mapped(rows, [](const QString& row) { return row.section(',', 0, 0).toLongLong(); });
}
} // namespace

class StoreBatchFlow : public StoreFixture
{
protected:
    StoreBatchFlow() { connectScanner(); }
};

TEST_F(StoreBatchFlow, BatchesContinueSurveyAndPageNumbers)
{
    QSignalSpy stageSpy(&store, &SurveyScanStore::stageChanged);
    QSignalSpy statusSpy(&store, &SurveyScanStore::statusMessageChanged);
    runBatch(3);
    EXPECT_EQ(surveyNumbers(store.responses()), (QList<qint64>{1, 2, 3}));
    EXPECT_EQ(mapped(stageSpy, [](const QVariantList& args) { return args[0].value<ScanStage>(); }),
              (QList<ScanStage>{ScanStage::scanning, ScanStage::extracting, ScanStage::finished}));
    // Local-only: no AI text between reading and the final text.
    EXPECT_EQ(statusSpy.count(), 3);
    EXPECT_EQ(store.statusMessage(), "Captured and read 3 surveys from 3 pages.");
    // A batch start forgets the previous AI outcome.
    EXPECT_EQ(store.lastAIStatusMessage(), "AI has not run for this batch.");
    EXPECT_TRUE(store.isProjectDirty());

    // Numbers follow the largest held, so numbers a deletion freed are never
    // given again; only the new pages are read.
    store.deleteResponse(store.responses().first());
    runBatch(2, 2);
    EXPECT_EQ(surveyNumbers(store.responses()), (QList<qint64>{2, 3, 4, 5}));
    EXPECT_EQ(mapped(store.pages(), &ScanPage::pageNumber), (QList<qint64>{2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(store.selectedSurveyNumber(), 4);
    EXPECT_EQ(reader.readPages.last().size(), 4);
    EXPECT_EQ(store.statusMessage(), "Captured and read 4 surveys from 6 pages.");
    store.deleteResponse(store.responses()[2]);     // survey 4
    store.deleteResponse(store.responses().last()); // survey 5, the largest
    // A reading that gives nothing still leaves one blank survey per sheet.
    reader.answer = [](const QList<ScanPage>&) { return SurveyExtractionResult{}; };
    runBatch(1);
    EXPECT_EQ(surveyNumbers(store.responses()), (QList<qint64>{2, 3, 4}));
    EXPECT_EQ(store.answerValue(4, 1), "N/A");
}

// Without a key AI First cannot run: the reader's items stand, and reading
// every question into review would only flood the queue.
TEST_F(StoreBatchFlow, ReviewItemsLeaveTheBatchInReview)
{
    reader.answer = [](const QList<ScanPage>& pages) { return answerAll(pages, 14, true); };
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    runBatch(3);
    EXPECT_EQ(store.lastAIStatusMessage(), "AI First skipped. No OpenAI API key is saved.");
    EXPECT_FALSE(reader.allQuestionFlags.last());
    EXPECT_EQ(store.stage(), ScanStage::reviewing);
    EXPECT_EQ(store.reviewItems().size(), 3);
    EXPECT_EQ(store.statusMessage(), "Captured 3 surveys. Review 3 uncertain answers.");
    // The next batch adds to the unreviewed queue instead of replacing it.
    const auto pending = store.reviewItems();
    runBatch(1);
    ASSERT_EQ(store.reviewItems().size(), 4);
    EXPECT_EQ(store.reviewItems().mid(0, 3), pending);
    EXPECT_EQ(store.statusMessage(), "Captured 4 surveys. Review 4 uncertain answers.");
    reader.answer = [](const QList<ScanPage>& pages) { return answerAll(pages, 14, false); };
    runBatch(1);
    EXPECT_EQ(store.reviewItems().size(), 4);
    EXPECT_EQ(store.stage(), ScanStage::reviewing);
}

// A one-pass scan that stopped early is read like any batch; the operator
// hears how many sheets were kept and what to do for the rest.
TEST_F(StoreBatchFlow, PassThatEndedEarlyIsReadAndSaysWhatIsLeft)
{
    const std::tuple<ScanEarlyEnd, int, const char*> cases[] = {
        {{ScanStopCause::jammed, "Document feeder jammed [domain: SANE, code: 6]"},
         42,
         "42 sheets were read before the feeder jammed. Clear the jam and press Start Scan for "
         "the rest."},
        {{ScanStopCause::canceled, "The scan was canceled."},
         1,
         "1 sheet was read before the scan was canceled. Press Start Scan for the rest."},
        {{ScanStopCause::failed, "Fake status 10 [domain: SANE, code: 10]"},
         2,
         "2 sheets were read before the scanner reported an error. Press Start Scan for the "
         "rest.\nFake status 10 [domain: SANE, code: 10]"},
    };
    qsizetype held = 0;
    for (const auto& [end, sheets, text] : cases) {
        ScanBatchResult batch = makeScannedBatch(sheets, 2);
        batch.endedEarly = end;
        scanner.deliveries.enqueue(pageFiles(batch));
        scanner.scripted.enqueue(batch);
        QCoro::waitFor(store.startScanBatch());
        EXPECT_EQ(reader.readPages.last().size(), sheets * 2);
        held += sheets;
        EXPECT_EQ(store.responses().size(), held);
        EXPECT_EQ(store.answerValue(held, 1), "A");
        EXPECT_EQ(store.stage(), ScanStage::finished);
        EXPECT_EQ(store.errorMessage(), QString::fromUtf8(text));
    }
}

// A platform layer may let other exceptions than the scanner layer's through;
// both scans still end as failed scans. A pass failing after delivering pages
// keeps nothing of it, read or not: a two-sided scan without its backs cannot
// pair its fronts.
TEST_F(StoreBatchFlow, FailedScansKeepEarlierDataAndTheTemplateReadNothingAndSayWhy)
{
    choose(path("answers.csv"), &SurveyScanStore::chooseCSVFile);
    runBatch(2);
    const auto before = held();
    const QByteArray csvBefore = testsupport::readBytes(path("answers.csv"));
    const std::pair<QCoro::Task<> (SurveyScanStore::*)(), const char*> scans[] = {
        {&SurveyScanStore::startScanBatch, "Scan failed."},
        {&SurveyScanStore::scanTemplatePage, "Template scan failed."}};
    for (const auto& [scan, status] : scans) {
        SCOPED_TRACE(status);
        const ScannerServiceError canceled(ScannerServiceError::Kind::scanCanceled);
        scanner.scripted.enqueue(canceled);
        QCoro::waitFor((store.*scan)());
        EXPECT_EQ(store.stage(), ScanStage::idle);
        EXPECT_EQ(store.errorMessage(), canceled.description());
        // An exception without a text of its own still tells the operator something.
        for (const char* what : {"", "The scanner driver stopped responding."}) {
            scanner.scripted.enqueue(std::make_exception_ptr(std::runtime_error(what)));
            testsupport::runTask((store.*scan)()); // rethrows what escapes, where waitFor hangs
            EXPECT_EQ(store.stage(), ScanStage::idle);
            EXPECT_EQ(store.statusMessage(), QString::fromUtf8(status));
            ASSERT_TRUE(store.errorMessage());
            EXPECT_FALSE(store.errorMessage()->trimmed().isEmpty());
        }
        EXPECT_EQ(store.errorMessage(), "The scanner driver stopped responding.");
        EXPECT_EQ(held(), before);
        EXPECT_TRUE(store.canStartScan() && store.canScanTemplate());
    }

    const ScannerServiceError backsMissing(ScannerServiceError::Kind::twoSidedIncomplete,
                                           "3 fronts and 2 backs were scanned.");
    const std::tuple<const char*, QStringList,
                     std::variant<ScanBatchResult, ScannerServiceError, std::exception_ptr>>
        failures[] = {
            {"backs pass failed",
             {"/f1.png", "/f2.png", "/f3.png", "/b1.png", "/b2.png"},
             backsMissing},
            {"driver threw mid-pass",
             {"/s1.png", "/s2.png"},
             std::make_exception_ptr(std::runtime_error("Scanner thread died."))},
        };
    for (const auto& [name, delivered, failure] : failures) {
        SCOPED_TRACE(name);
        scanner.deliveries.enqueue(delivered);
        scanner.scripted.enqueue(failure);
        bool passEnds = false;
        scanner.gate = &passEnds;
        auto running = store.startScanBatch();
        ASSERT_TRUE(
            runEventsUntil([&] { return store.readingProgress().read == delivered.size(); }));
        passEnds = true;
        testsupport::runTask(std::move(running));
        EXPECT_TRUE(reader.readPages.last().isEmpty());
        EXPECT_EQ(store.stage(), ScanStage::idle);
        EXPECT_EQ(store.statusMessage(), "Scan failed.");
        EXPECT_EQ(held(), before);
        EXPECT_EQ(store.readingProgress(), ReadingProgress{});
        EXPECT_EQ(testsupport::readBytes(path("answers.csv")), csvBefore);
        scanner.gate = nullptr;
    }
    EXPECT_EQ(store.errorMessage(), "Scanner thread died.");
    runBatch(1);
    EXPECT_EQ(store.stage(), ScanStage::finished);
    EXPECT_EQ(store.responses().size(), 3);
    EXPECT_FALSE(store.errorMessage());
}

TEST_F(StoreBatchFlow, NoSecondScanOrOtherProjectWhileOneIsScannedOrRead)
{
    runBatch(2);
    bool scanGate = false, readGate = false;
    scanner.gate = &scanGate;
    reader.gate = &readGate;
    scanner.scripted.enqueue(makeScannedBatch(2, 1));
    auto batch = store.startScanBatch();
    EXPECT_EQ(store.stage(), ScanStage::scanning);
    EXPECT_FALSE(store.canStartScan() || store.canScanTemplate());
    QCoro::waitFor(store.startScanBatch());
    QCoro::waitFor(store.scanTemplatePage());
    EXPECT_EQ(scanner.scanConfigurations.size(), 2);

    store.cancelScan();
    EXPECT_EQ(scanner.cancelCount, 1);
    scanGate = true;
    ASSERT_TRUE(runEventsUntil([&] { return store.stage() == ScanStage::extracting; }));
    EXPECT_FALSE(store.canStartScan() || store.canScanTemplate());
    QCoro::waitFor(store.startScanBatch());
    EXPECT_EQ(scanner.scanConfigurations.size(), 2);
    store.cancelScan(); // nothing to cancel while reading
    EXPECT_EQ(scanner.cancelCount, 1);
    // Nor is the project replaced; the refusal goes once the batch is in.
    store.newProject();
    choose(path("other.twk"), &SurveyScanStore::openProject);
    EXPECT_TRUE(panels.discardQuestions.isEmpty() && panels.requests.isEmpty());
    EXPECT_EQ(store.errorMessage(), "Wait for the running scan to finish first.");
    readGate = true;
    QCoro::waitFor(std::move(batch));
    EXPECT_EQ(store.responses().size(), 4);
    EXPECT_FALSE(store.errorMessage());
    EXPECT_TRUE(store.canStartScan());
}

// Edits, template changes and a new CSV connection while a batch is read
// write only the surveys held; the batch joins files once, when it is read.
TEST_F(StoreBatchFlow, EditsWhileABatchIsReadNeverWriteItHalfDone)
{
    runBatch(2);
    choose(path("p.twk"), &SurveyScanStore::saveProjectAs);
    choose(path("first.csv"), &SurveyScanStore::chooseCSVFile);

    bool readGate = false;
    reader.gate = &readGate;
    scanner.scripted.enqueue(makeScannedBatch(2, 1));
    auto batch = store.startScanBatch();
    ASSERT_TRUE(runEventsUntil([&] { return store.stage() == ScanStage::extracting; }));

    store.updateAnswer(1, 3, "edited");
    EXPECT_EQ(csvSurveyIds(path("first.csv")), (QList<qint64>{1, 2}));
    store.deleteResponse(store.responses()[1]);
    SurveyTemplateField field = store.configuration().templateFields.first();
    field.prompt = "Renamed while reading";
    store.updateTemplateField(field);
    choose(path("second.csv"), &SurveyScanStore::chooseCSVFile);
    EXPECT_EQ(csvSurveyIds(path("second.csv")), (QList<qint64>{1}));
    EXPECT_EQ(readProjectFile(path("p.twk")).responses.size(), 1);

    readGate = true;
    QCoro::waitFor(std::move(batch));
    EXPECT_EQ(surveyNumbers(store.responses()), (QList<qint64>{1, 3, 4}));
    EXPECT_EQ(store.answerValue(1, 3), "edited");
    EXPECT_EQ(csvSurveyIds(path("second.csv")), (QList<qint64>{1, 3, 4}));
    const SurveyProjectDocument after = readProjectFile(path("p.twk"));
    EXPECT_EQ(after.pages.size() + after.responses.size(), 6);
}

// The reader gets each page as the scanner delivers it, not after the pass.
TEST_F(StoreBatchFlow, PagesAreReadWhileTheFeederRunsAndCountsArriveInOrder)
{
    const ScanBatchResult batch = makeScannedBatch(3, 2);
    scanner.deliveries.enqueue(pageFiles(batch));
    scanner.scripted.enqueue(batch);
    bool feederStops = false;
    scanner.gate = &feederStops;
    QList<std::tuple<int, int, int>> counts; // scanned, read, total
    QObject::connect(&store, &SurveyScanStore::readingProgressChanged, &store,
                     [&](const ReadingProgress& progress) {
                         counts.append({progress.scanned, progress.read, progress.total});
                     });
    auto running = store.startScanBatch();
    ASSERT_TRUE(runEventsUntil([&] { return store.readingProgress().read == 6; }));
    EXPECT_EQ(store.stage(), ScanStage::scanning);
    EXPECT_TRUE(store.pages().isEmpty()); // joins only once numbered and read
    feederStops = true;
    QCoro::waitFor(std::move(running));

    EXPECT_EQ(reader.deliveredFiles.last(), mapped(batch.pages, &ScanPage::fileURL));
    EXPECT_EQ(reader.readPages.last().size(), 6);
    // Each count moves up by one at a time and nothing is read before it
    // was scanned; the counts go back to nothing when the batch is done.
    ASSERT_EQ(counts.size(), 13);
    EXPECT_EQ(counts.last(), std::make_tuple(0, 0, 0));
    for (qsizetype i = 1; i + 1 < counts.size(); ++i) {
        const auto [scanned, read, total] = counts[i];
        const auto [scannedBefore, readBefore, totalBefore] = counts[i - 1];
        EXPECT_EQ(scanned - scannedBefore + read - readBefore, 1) << i;
        EXPECT_LE(read, scanned);
        EXPECT_EQ(total, scanned);
    }
    EXPECT_EQ(store.statusMessage(), "Captured and read 3 surveys from 6 pages.");
}

using StoreBatchFlowScanners = StoreFixture;

TEST_F(StoreBatchFlowScanners, RefreshPicksADeviceAndScanConditionsFollowTheSelectedOne)
{
    QCoro::waitFor(store.refreshScanners());
    EXPECT_EQ(store.statusMessage(), "No scanners found.");
    EXPECT_FALSE(store.selectedScannerID());

    ScannerDevice usbOnly = onlineScanner("usb");
    usbOnly.isControllable = false;
    scanner.devices = {usbOnly};
    QCoro::waitFor(store.refreshScanners());
    EXPECT_EQ(store.statusMessage(), "USB scanner hardware found, but SANE did not expose it as a "
                                     "controllable scanner.");
    EXPECT_EQ(store.selectedScannerID(), "usb"); // online beats nothing

    ScannerDevice offline = onlineScanner("off");
    offline.isOnline = false;
    scanner.devices = {offline, usbOnly, onlineScanner("good", true)};
    store.setSelectedScannerID("gone");
    QCoro::waitFor(store.refreshScanners());
    EXPECT_EQ(store.statusMessage(), "Scanner list refreshed.");
    EXPECT_EQ(store.selectedScannerID(), "good");
    // Duplex hardware switches to automatic two-sided scanning.
    EXPECT_EQ(store.configuration().duplexMode, DuplexMode::automatic);
    EXPECT_TRUE(store.configuration().scanBothSides);
    // Choosing a scanner or a survey, or setting an equal configuration, leaves nothing unsaved.
    store.setSelectedSurveyNumber(3);
    QSignalSpy changed(&store, &SurveyScanStore::configurationChanged);
    store.setConfiguration(SurveyConfiguration(store.configuration()));
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(store.isProjectDirty());

    // A selection still in the list is kept; a simplex one means manual
    // two-sided, keeping the both-sides choice.
    SurveyConfiguration configuration = store.configuration();
    configuration.scanBothSides = false;
    store.setConfiguration(configuration);
    store.setSelectedScannerID("usb");
    QCoro::waitFor(store.refreshScanners());
    EXPECT_EQ(store.selectedScannerID(), "usb");
    EXPECT_EQ(store.configuration().duplexMode, DuplexMode::manual);
    EXPECT_FALSE(store.configuration().scanBothSides);

    // Online, controllable, title: can start, can scan a template.
    const std::tuple<bool, bool, QString, bool, bool> cases[] = {
        {false, true, "Survey", false, false},
        {true, true, "   ", false, true},
        {true, true, "Survey", true, true},
        {true, false, "Survey", false, false},
    };
    for (const auto& [online, controllable, title, canStart, canTemplate] : cases) {
        ScannerDevice device = onlineScanner("dev");
        device.isOnline = online;
        device.isControllable = controllable;
        scanner.devices = {device};
        QCoro::waitFor(store.refreshScanners());
        store.setSelectedScannerID("dev");
        SurveyConfiguration titled = store.configuration();
        titled.title = title;
        store.setConfiguration(titled);
        EXPECT_EQ(store.canStartScan(), canStart) << online << controllable;
        EXPECT_EQ(store.canScanTemplate(), canTemplate) << online << controllable;
    }
    // Both scans explain an uncontrollable device without scanning; a refresh clears it.
    scanner.devices[0].statusDetail = "No driver.";
    QCoro::waitFor(store.refreshScanners());
    for (auto scan : {&SurveyScanStore::startScanBatch, &SurveyScanStore::scanTemplatePage}) {
        QCoro::waitFor((store.*scan)());
        EXPECT_EQ(store.errorMessage(), "No driver.");
        EXPECT_EQ(store.statusMessage(), "Scanner driver unavailable.");
        QCoro::waitFor(store.refreshScanners());
        EXPECT_FALSE(store.errorMessage());
    }
    store.setSelectedScannerID("vanished");
    EXPECT_FALSE(store.canStartScan());
    EXPECT_TRUE(scanner.scanConfigurations.isEmpty());
}

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

// The reader gets a 300-dpi copy of a finer page; the store keeps the full-resolution scan.
TEST_F(StoreBatchFlowImport, ScanSettingsComeFromThePreferencesPerDeviceAndFinePagesAreReadHalved)
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

    const QString fine = writePageImage(dir.filePath("in/fine.png"), QSize(400, 400), 600);
    const QString plain = writePageImage(dir.filePath("in/plain.png"), QSize(100, 100), 300);
    scanner.scripted.enqueue(makeScannedBatch(2, 1, {fine, plain}));
    QCoro::waitFor(store.startScanBatch());
    const QList<ScanPage>& read = reader.readPages.last();
    ASSERT_EQ(read.size(), 2);
    EXPECT_EQ(QImage(read[0].fileURL.toLocalFile()).width(), 200);
    EXPECT_EQ(read[1].fileURL.toLocalFile(), plain);
    EXPECT_EQ(
        testsupport::mapped(store.pages(), [](const ScanPage& p) { return p.fileURL; }).mid(2),
        (QList<QUrl>{QUrl::fromLocalFile(fine), QUrl::fromLocalFile(plain)}));
}

} // namespace
