// The store over the real page reader, reading rendered sample surveys that a
// scripted scanner delivers, with real project and CSV files.
#include "StoreFixture.h"
#include "TestSupport.h"
#include "files/SurveyProjectDocument.h"
#include "reading/VisionSurveyExtractionService.h"
#include "samples/SampleSet.h"

#include <tuple>

namespace {
using testsupport::readText;

// How many of a survey's fourteen answers the reader got right.
int matchingAnswers(const SampleAnswerSheet& sheet, const SurveyResponse& response)
{
    const QStringList expected = expectedAnswers(sheet);
    int matches = 0;
    for (int i = 0; i < expected.size() && i < response.answers.size(); ++i)
        matches += answerMatches(expected[i], response.answers[i]);
    return matches;
}
} // namespace

class StoreEndToEnd : public StoreOver<VisionSurveyExtractionService>
{
protected:
    StoreEndToEnd() : StoreOver(nullptr, 2) { connectScanner(true); }

    // Renders a stack of sample surveys into its own folder.
    QStringList renderStack(const SampleSet& set, const QString& name)
    {
        return writeSampleSet(set, dir.filePath(name));
    }
};

namespace {
// What a batch leaves behind, without the ids made afresh and the reading's
// own timestamps.
struct BatchOutcome
{
    QList<std::tuple<qint64, SurveySide, qint64, QUrl, QDateTime>> pages;
    QList<std::pair<qint64, QStringList>> responses;
    QList<QuestionReviewItem> reviewItems;
    QString csv;
    QString status;

    bool operator==(const BatchOutcome&) const = default;
};

BatchOutcome outcomeOf(const SurveyScanStore& store, const QString& csv)
{
    BatchOutcome outcome;
    for (const ScanPage& page : store.pages())
        outcome.pages.append(
            {page.surveyNumber, page.side, page.pageNumber, page.fileURL, page.capturedAt});
    for (const SurveyResponse& response : store.responses())
        outcome.responses.append({response.surveyNumber, response.answers});
    outcome.reviewItems = withoutIds(store.reviewItems());
    outcome.csv = readText(csv);
    outcome.status = store.statusMessage();
    return outcome;
}
} // namespace

// Pages read while the feeder runs give exactly what reading them after the
// pass gives: pages, answers, review items and CSV rows.
TEST_F(StoreEndToEnd, ReadingWhileScanningGivesTheWholePassResult)
{
    const SampleSet set = makeSampleSet(1, 13, 300, true, SampleStackOrder::duplex);
    const ScanBatchResult batch = makeScannedBatch(1, 2, renderStack(set, QStringLiteral("stack")));
    const auto run = [&](SurveyScanStore& target, FakeScannerService& feeder, FakeFilePanels& files,
                         const QString& name, bool streamed) {
        files.answers.enqueue(path(name + QStringLiteral(".twk")));
        target.saveProjectAs();
        files.answers.enqueue(path(name + QStringLiteral(".csv")));
        target.chooseCSVFile();
        Gate passEnds;
        feeder.gate = &passEnds;
        if (streamed)
            feeder.deliveries.enqueue(pageFiles(batch));
        feeder.scripted.enqueue(batch);
        auto running = target.startScanBatch();
        // Streamed, every page is read before the pass ends.
        if (streamed) {
            EXPECT_TRUE(runEventsUntil(
                [&] { return target.readingProgress().read == batch.pages.size(); }));
        }
        EXPECT_EQ(target.stage(), ScanStage::scanning);
        passEnds.open();
        QCoro::waitFor(std::move(running));
        feeder.gate = nullptr;
        return outcomeOf(target, path(name + QStringLiteral(".csv")));
    };

    FakeScannerService wholePassScanner;
    wholePassScanner.devices = scanner.devices;
    FakeFilePanels wholePassPanels;
    SurveyScanStore wholePassStore(&wholePassScanner, &reader, &settings, nullptr,
                                   &wholePassPanels);
    QCoro::waitFor(wholePassStore.refreshScanners());

    const BatchOutcome streamed = run(store, scanner, panels, QStringLiteral("streamed"), true);
    const BatchOutcome wholePass =
        run(wholePassStore, wholePassScanner, wholePassPanels, QStringLiteral("whole-pass"), false);
    EXPECT_EQ(streamed.pages.size(), 2);
    ASSERT_EQ(streamed.responses.size(), 1);
    // How well the reader reads is its own tests' business; here the answers
    // must have come through from the pages to their survey.
    EXPECT_GE(matchingAnswers(set.sheets[0], store.responses()[0]), 4);
    EXPECT_EQ(streamed.csv.count(QLatin1Char('\n')), 1 + 1 + 2);
    EXPECT_EQ(streamed, wholePass);
}

TEST_F(StoreEndToEnd, UnreadableFilesAreNamedInTheError)
{
    QStringList files;
    for (const char* name : {"fronts-1.png", "fronts-3.png"}) {
        files.append(path(QString::fromLatin1(name)));
        testsupport::writeBytes(files.last(), "this is no image");
    }
    scanner.scripted.enqueue(makeScannedBatch(2, 1, files));
    QCoro::waitFor(store.startScanBatch());
    ASSERT_TRUE(store.errorMessage());
    EXPECT_TRUE(store.errorMessage()->startsWith(
        QStringLiteral("2 pages could not be read: fronts-1.png (")))
        << store.errorMessage()->toStdString();
    EXPECT_TRUE(store.errorMessage()->contains(QStringLiteral("fronts-3.png (")));
    // The surveys are still there, blank, to rescan or fill in by hand.
    EXPECT_EQ(store.responses().size(), 2);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Captured and read 2 surveys from 2 pages."));
}

TEST_F(StoreEndToEnd, BlankSurveyProposesTheTemplate)
{
    store.applyTemplatePreset(SurveyTemplate::custom);
    QStringList files;
    for (SurveySide side : {SurveySide::front, SurveySide::back}) {
        const QString file = path(QStringLiteral("blank-%1.png").arg(rawValue(side)));
        ASSERT_TRUE(renderBlankSurveyPage(side, 300).save(file));
        files.append(file);
    }
    scanner.scripted.enqueue(makeScannedBatch(1, 2, files));
    QCoro::waitFor(store.scanTemplatePage());
    EXPECT_EQ(store.stage(), ScanStage::finished);
    EXPECT_EQ(store.statusMessage(),
              QStringLiteral("Template ready. Review each section and choose what to detect."));
    EXPECT_EQ(scanner.scanConfigurations.last().questionCount, 60);
    EXPECT_TRUE(store.pages().isEmpty());
    EXPECT_TRUE(store.responses().isEmpty());

    const QList<SurveyTemplateField> builtIn =
        SurveyTemplateField::defaults(SurveyTemplate::krda2026);
    int wordingFound = 0;
    for (const SurveyTemplateField& expected : builtIn) {
        const auto field = store.templateField(expected.number);
        ASSERT_TRUE(field);
        const QString firstWord = expected.prompt.section(QLatin1Char(' '), 0, 0);
        wordingFound += field->prompt.contains(firstWord, Qt::CaseInsensitive);
    }
    EXPECT_GE(wordingFound, 12);
    // Question 13 asks for the hardest part: a written answer.
    EXPECT_EQ(store.templateField(13)->detectionMode, SurveyDetectionMode::written);
    EXPECT_EQ(store.configuration().templatePreset, SurveyTemplate::custom);
    EXPECT_EQ(store.configuration().questionCount, 14);
}
