#include "StoreFixture.h"

#include "files/SurveyProjectDocument.h"

#include <QDir>
#include <QFile>

namespace {
using testsupport::readText;

qsizetype rowsIn(const QString& csv)
{
    return readText(csv).split('\n', Qt::SkipEmptyParts).size();
}
} // namespace

class StoreProject : public StoreFixture
{
protected:
    StoreProject() { connectScanner(); }
};

TEST_F(StoreProject, DeclinedPanelsChangeNothingAndFailuresNameTheirFileAndKeepTheWork)
{
    store.exportCSV(); // nothing to export: no panel
    EXPECT_TRUE(panels.requests.isEmpty());
    runBatch(2);
    const QString status = store.statusMessage();
    for (auto action : {&SurveyScanStore::saveProjectAs, &SurveyScanStore::chooseCSVFile,
                        &SurveyScanStore::exportCSV, &SurveyScanStore::openProject})
        (store.*action)();
    EXPECT_EQ(panels.requests.size(), 4);
    EXPECT_EQ(store.statusMessage(), status);
    EXPECT_FALSE(store.projectURL() || store.csvURL());

    panels.agreeToDiscard = false;
    panels.discardQuestions.clear();
    store.newProject();
    store.openProject();
    EXPECT_EQ(panels.discardQuestions,
              (QList<DiscardReason>{DiscardReason::newProject, DiscardReason::openProject}));
    EXPECT_EQ(panels.requests.size(), 4); // declined before any open panel
    EXPECT_EQ(store.responses().size(), 2);
    EXPECT_TRUE(store.isProjectDirty());

    panels.agreeToDiscard = true;
    store.newProject();
    EXPECT_TRUE(store.responses().isEmpty() && store.pages().isEmpty());
    EXPECT_FALSE(store.isProjectDirty());
    EXPECT_EQ(store.configuration(), SurveyConfiguration());
    store.newProject(); // nothing unsaved: no question
    EXPECT_EQ(panels.discardQuestions.size(), 3);

    runBatch(1);
    const auto responses = store.responses();
    // A file where a folder should be: writing below it fails for every user, root included.
    const QString blocker = path("blocker");
    testsupport::writeBytes(blocker, "");
    testsupport::writeBytes(path("bogus.twk"), "this is not json");
    choose(path("bogus.twk"), &SurveyScanStore::openProject);
    EXPECT_EQ(store.statusMessage(), "Could not open project.");
    EXPECT_TRUE(store.errorMessage().value_or("").contains("bogus.twk"));
    EXPECT_EQ(store.responses(), responses);
    EXPECT_FALSE(store.projectURL());

    choose(blocker + "/p.twk", &SurveyScanStore::saveProjectAs);
    EXPECT_EQ(store.statusMessage(), "Could not save project.");
    EXPECT_TRUE(store.errorMessage().value_or("").contains("blocker"));
    EXPECT_TRUE(store.isProjectDirty());
    EXPECT_TRUE(store.projectURL()); // the location stays chosen

    // A failed connection keeps the CSV connected before; batches still reach it.
    const QString csv = path("answers.csv");
    choose(csv, &SurveyScanStore::chooseCSVFile);
    choose(blocker + "/answers.csv", &SurveyScanStore::chooseCSVFile);
    EXPECT_EQ(store.statusMessage(), "Could not create CSV.");
    EXPECT_TRUE(store.errorMessage().value_or("").contains("blocker"));
    EXPECT_EQ(store.csvURL(), QUrl::fromLocalFile(csv));
    runBatch(1);
    EXPECT_EQ(rowsIn(csv), 3);

    // Neither file can be written at a batch's end: both are reported.
    const QString project = path("p.twk");
    choose(project, &SurveyScanStore::saveProjectAs);
    ASSERT_TRUE(QFile::remove(csv) && QDir().mkpath(csv));
    ASSERT_TRUE(QFile::remove(project) && QDir().mkpath(project));
    runBatch(1);
    EXPECT_TRUE(store.errorMessage().value_or("").contains("answers.csv"));
    EXPECT_TRUE(store.errorMessage().value_or("").contains("p.twk"));
    EXPECT_EQ(store.responses().size(), 3);
    EXPECT_EQ(store.stage(), ScanStage::finished);

    // A problem of the reading reaches the operator too.
    const QString problem = "The text recognition model could not be loaded.";
    reader.answer = [&](const QList<ScanPage>& pages) {
        SurveyExtractionResult result = answerAll(pages, 14, false);
        result.problems = {problem};
        return result;
    };
    QDir(csv).removeRecursively();
    QDir(project).removeRecursively();
    runBatch(1);
    EXPECT_EQ(store.errorMessage(), problem);
    EXPECT_EQ(store.responses().size(), 4);
}

TEST_F(StoreProject, ConnectedCSVGrowsPerBatchIsRewrittenAfterEditsAndWhenGone)
{
    runBatch(1);
    choose(path("p.twk"), &SurveyScanStore::saveProjectAs);
    const QString csv = path("deep/er/answers.csv");
    choose(csv, &SurveyScanStore::chooseCSVFile);
    // The project file records the connection without touching the status.
    EXPECT_EQ(store.statusMessage(), "CSV connected at answers.csv.");
    EXPECT_EQ(readProjectFile(path("p.twk")).csvPath, csv);
    EXPECT_EQ(panels.requests.last().suggestedName, "Paper Survey-responses.csv");
    EXPECT_EQ(rowsIn(csv), 2); // header and one row

    runBatch(2);
    EXPECT_EQ(rowsIn(csv), 4);
    store.updateAnswer(2, 1, "Edited");
    const QString text = readText(csv);
    EXPECT_TRUE(text.contains("\n2,Front,2,") && text.contains(",Edited,"));
    EXPECT_EQ(rowsIn(csv), 4);
    choose(path("export.csv"), &SurveyScanStore::exportCSV);
    EXPECT_EQ(store.statusMessage(), "CSV exported to export.csv.");
    EXPECT_EQ(readText(path("export.csv")) + QLatin1Char('\n'), text);
    EXPECT_EQ(store.csvURL(), QUrl::fromLocalFile(csv));

    // Gone by the next batch: written again with every survey held.
    QFile::remove(csv);
    runBatch(1);
    EXPECT_EQ(rowsIn(csv), 5);
    EXPECT_TRUE(readText(csv).startsWith("survey_id,"));
}

// A project reopens to the state it was saved in. The review queue is part
// of it: saved under "reviewItems", restored on open with fresh ids, and
// never dropped without a question.
TEST_F(StoreProject, ProjectAndPendingReviewItemsAreSavedAndReopened)
{
    const QString crop = path("crops/survey-1-q-2.png");
    const QString page = path("pages/front-1.png");
    reader.answer = [crop, page](const QList<ScanPage>& pages) {
        SurveyExtractionResult result = answerAll(pages, 14, true);
        QuestionReviewItem& first = result.reviewItems.first();
        first.prompt = "Q2: Grade";
        first.confidence = 0.42;
        first.reviewNote = "Two boxes marked";
        first.imageURL = QUrl::fromLocalFile(crop);
        first.pageURL = QUrl::fromLocalFile(page);
        first.quarterTurns = 2;
        first.skewDegrees = -1.25;
        first.cropRect = QRectF(40, 310, 1200, 260);
        result.questions = {{1, "I am:"}, {2, "Grade"}};
        return result;
    };
    runBatch(3, 2);
    choose(path("out/answers.csv"), &SurveyScanStore::chooseCSVFile);
    // Cells a person set are saved with where they came from.
    store.updateAnswer(1, 1, "Typed in");
    store.applyReviewItem(store.reviewItems().constLast());
    const AnswerSources sources = store.answerSources();
    ASSERT_EQ(sources.size(), 2);
    store.updateReviewItem(store.reviewItems()[1], "typed");
    const QList<QuestionReviewItem> pending = store.reviewItems();
    const auto pages = store.pages();
    const auto responses = store.responses();
    const auto questions = store.detectedQuestions();
    const auto configuration = store.configuration();
    EXPECT_TRUE(store.reviewWorkWouldBeLost());
    choose(path("p.twk"), &SurveyScanStore::saveProjectAs);
    EXPECT_FALSE(store.reviewWorkWouldBeLost());

    // Saved: nothing to lose, so no question.
    store.newProject();
    EXPECT_TRUE(panels.discardQuestions.isEmpty());
    EXPECT_TRUE(store.reviewItems().isEmpty());

    choose(path("p.twk"), &SurveyScanStore::openProject);
    EXPECT_EQ(store.statusMessage(), "Opened p.twk.");
    EXPECT_EQ(store.responses(), responses);
    EXPECT_EQ(store.detectedQuestions(), questions);
    EXPECT_EQ(store.configuration(), configuration);
    EXPECT_EQ(withoutIds(store.pages()), withoutIds(pages));
    EXPECT_EQ(store.csvURL(), QUrl::fromLocalFile(path("out/answers.csv")));
    EXPECT_EQ(store.selectedSurveyNumber(), 1);
    EXPECT_FALSE(store.isProjectDirty());
    EXPECT_EQ(store.stage(), ScanStage::reviewing);
    EXPECT_EQ(store.answerSources(), sources);
    const QList<QuestionReviewItem> reopened = store.reviewItems();
    EXPECT_EQ(withoutIds(reopened), withoutIds(pending));
    ASSERT_FALSE(reopened.isEmpty());
    EXPECT_NE(reopened.first().id, pending.first().id);

    // Typed text that is not saved yet is asked about.
    store.updateReviewItem(reopened.first(), "not saved");
    panels.agreeToDiscard = false;
    store.newProject();
    EXPECT_EQ(panels.discardQuestions, QList<DiscardReason>{DiscardReason::newProject});
    EXPECT_EQ(store.reviewItems().size(), 2);
}
