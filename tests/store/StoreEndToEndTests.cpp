// The store over the real page reader, reading rendered sample surveys that a
// scripted scanner delivers, with real project and CSV files; and the rules
// template discovery reads wording by.
#include "StoreFixture.h"
#include "reading/TemplateDiscovery.h"
#include "reading/VisionSurveyExtractionService.h"
#include "samples/SampleSet.h"

using testsupport::readText;

class StoreEndToEnd : public StoreOver<VisionSurveyExtractionService>
{
protected:
    StoreEndToEnd() : StoreOver(nullptr, 2) { connectScanner(true); }
};

// Pages read while the feeder runs give exactly what reading them after the
// pass gives: pages, answers, review items and CSV rows.
TEST_F(StoreEndToEnd, ReadingWhileScanningGivesTheWholePassResult)
{
    const SampleSet set = makeSampleSet(1, 13, 300, true, SampleStackOrder::duplex);
    const ScanBatchResult batch = makeScannedBatch(1, 2, writeSampleSet(set, path("stack")));
    const auto run = [&](SurveyScanStore& target, FakeScannerService& feeder, FakeFilePanels& files,
                         const QString& name, bool streamed) {
        files.answers << path(name + ".twk") << path(name + ".csv");
        target.saveProjectAs();
        target.chooseCSVFile();
        bool passEnds = false;
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
        passEnds = true;
        QCoro::waitFor(std::move(running));
        feeder.gate = nullptr;
    };

    FakeScannerService wholePassScanner;
    wholePassScanner.devices = scanner.devices;
    FakeFilePanels wholePassPanels;
    SurveyScanStore wholePassStore(&wholePassScanner, &reader, &settings, nullptr,
                                   &wholePassPanels);
    QCoro::waitFor(wholePassStore.refreshScanners());

    run(store, scanner, panels, "streamed", true);
    run(wholePassStore, wholePassScanner, wholePassPanels, "whole-pass", false);
    // How well the reader reads is its own tests' business; here the answers
    // must have come through from the pages to their survey.
    const QStringList expected = expectedAnswers(set.sheets[0]);
    int matches = 0;
    for (int i = 0; i < expected.size(); ++i)
        matches += answerMatches(expected[i], store.answerValue(1, i + 1));
    EXPECT_GE(matches, 4);
    EXPECT_EQ(readText(path("streamed.csv")).count('\n'), 1 + 1 + 2);
    // Equal but for the ids made afresh and the reading's own timestamps.
    const auto answers = [](const SurveyScanStore& s) {
        return testsupport::mapped(s.responses(), [](const SurveyResponse& r) {
            return std::pair(r.surveyNumber, r.answers);
        });
    };
    EXPECT_EQ(withoutIds(store.pages()), withoutIds(wholePassStore.pages()));
    EXPECT_EQ(answers(store), answers(wholePassStore));
    EXPECT_EQ(withoutIds(store.reviewItems()), withoutIds(wholePassStore.reviewItems()));
    EXPECT_EQ(readText(path("streamed.csv")), readText(path("whole-pass.csv")));
    EXPECT_EQ(store.statusMessage(), wholePassStore.statusMessage());
}

TEST_F(StoreEndToEnd, UnreadableFilesAreNamedInTheError)
{
    const QStringList files{path("fronts-1.png"), path("fronts-3.png")};
    for (const QString& file : files)
        testsupport::writeBytes(file, "this is no image");
    scanner.scripted.enqueue(makeScannedBatch(2, 1, files));
    QCoro::waitFor(store.startScanBatch());
    ASSERT_TRUE(store.errorMessage());
    EXPECT_TRUE(store.errorMessage()->startsWith("2 pages could not be read: fronts-1.png ("))
        << store.errorMessage()->toStdString();
    EXPECT_TRUE(store.errorMessage()->contains("fronts-3.png ("));
    // The surveys are still there, blank, to rescan or fill in by hand.
    EXPECT_EQ(store.responses().size(), 2);
    EXPECT_EQ(store.statusMessage(), "Captured and read 2 surveys from 2 pages.");
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
    EXPECT_EQ(store.statusMessage(),
              "Template ready. Review each section and choose what to detect.");
    EXPECT_TRUE(store.pages().isEmpty() && store.responses().isEmpty());
    int wordingFound = 0;
    for (const SurveyTemplateField& expected :
         SurveyTemplateField::defaults(SurveyTemplate::krda2026)) {
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

// How detected wording fills the template is checked above, where the store scans one.
TEST(TemplateDiscovery, WordingSuggestsTheAnswerKind)
{
    const std::pair<const char*, SurveyDetectionMode> rows[] = {
        {"CHECK ALL that apply. Why?", SurveyDetectionMode::multipleChoice},
        {"Please explain", SurveyDetectionMode::written},
        {"Your favorite part", SurveyDetectionMode::written},
        {"Any suggestions?", SurveyDetectionMode::written},
        {"Other: ____", SurveyDetectionMode::written},
        {"Other", SurveyDetectionMode::singleChoice},
        {"", SurveyDetectionMode::singleChoice},
    };
    for (const auto& [wording, mode] : rows)
        EXPECT_EQ(inferredDetectionMode(wording), mode) << wording;
}
