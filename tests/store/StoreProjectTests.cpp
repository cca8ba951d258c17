#include "StoreFixture.h"
#include "TestSupport.h"

#include "files/SurveyProjectDocument.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

    // A file where a folder should be: writing below it fails for every user, root included.
    QString blocker()
    {
        testsupport::writeBytes(path(QStringLiteral("blocker")), "");
        return path(QStringLiteral("blocker"));
    }
    void choose(const QString& file, void (SurveyScanStore::*action)())
    {
        panels.answers.enqueue(file);
        (store.*action)();
    }
};

TEST_F(StoreProject, DeclinedPanelsAndQuestionsChangeNothing)
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
    EXPECT_EQ(store.stage(), ScanStage::idle);
    EXPECT_FALSE(store.isProjectDirty());
    EXPECT_EQ(store.statusMessage(), QStringLiteral("New project ready."));
    EXPECT_EQ(store.configuration(), SurveyConfiguration());
    store.newProject(); // nothing unsaved: no question
    EXPECT_EQ(panels.discardQuestions.size(), 3);
}

TEST_F(StoreProject, FailuresNameTheirFileAndKeepTheWork)
{
    runBatch(1);
    const auto responses = store.responses();
    testsupport::writeBytes(path(QStringLiteral("bogus.twk")), "this is not json");
    choose(path(QStringLiteral("bogus.twk")), &SurveyScanStore::openProject);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Could not open project."));
    EXPECT_TRUE(store.errorMessage().value_or("").contains("bogus.twk"));
    EXPECT_EQ(store.responses(), responses);
    EXPECT_FALSE(store.projectURL());

    choose(blocker() + QStringLiteral("/p.twk"), &SurveyScanStore::saveProjectAs);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Could not save project."));
    EXPECT_TRUE(store.errorMessage().value_or("").contains("blocker"));
    EXPECT_TRUE(store.isProjectDirty());
    EXPECT_TRUE(store.projectURL()); // the location stays chosen

    // A failed connection keeps the CSV connected before; batches still reach it.
    const QString csv = path(QStringLiteral("answers.csv"));
    choose(csv, &SurveyScanStore::chooseCSVFile);
    choose(blocker() + QStringLiteral("/answers.csv"), &SurveyScanStore::chooseCSVFile);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Could not create CSV."));
    EXPECT_TRUE(store.errorMessage().value_or("").contains("blocker"));
    EXPECT_EQ(store.csvURL(), QUrl::fromLocalFile(csv));
    runBatch(1);
    EXPECT_EQ(rowsIn(csv), 3);

    // Neither file can be written at a batch's end: both are reported.
    const QString project = path(QStringLiteral("p.twk"));
    choose(project, &SurveyScanStore::saveProjectAs);
    ASSERT_TRUE(QFile::remove(csv) && QDir().mkpath(csv));
    ASSERT_TRUE(QFile::remove(project) && QDir().mkpath(project));
    runBatch(1);
    EXPECT_TRUE(store.errorMessage().value_or("").contains("answers.csv"));
    EXPECT_TRUE(store.errorMessage().value_or("").contains("p.twk"));
    EXPECT_EQ(store.responses().size(), 3);
    EXPECT_EQ(store.stage(), ScanStage::finished);

    // A problem of the reading reaches the operator too.
    const QString problem = QStringLiteral("The text recognition model could not be loaded.");
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
    choose(path(QStringLiteral("p.twk")), &SurveyScanStore::saveProjectAs);
    const QString csv = path(QStringLiteral("deep/er/answers.csv"));
    choose(csv, &SurveyScanStore::chooseCSVFile);
    // The project file records the connection without touching the status.
    EXPECT_EQ(store.statusMessage(), QStringLiteral("CSV connected at answers.csv."));
    EXPECT_EQ(readProjectFile(path(QStringLiteral("p.twk"))).csvPath, csv);
    EXPECT_EQ(panels.requests.last().suggestedName, QStringLiteral("Paper Survey-responses.csv"));
    EXPECT_EQ(rowsIn(csv), 2); // header and one row

    runBatch(2);
    EXPECT_EQ(rowsIn(csv), 4);
    store.updateAnswer(2, 1, QStringLiteral("Edited"));
    const QString text = readText(csv);
    EXPECT_TRUE(text.contains("\n2,Front,2,") && text.contains(",Edited,"));
    EXPECT_EQ(rowsIn(csv), 4);
    choose(path(QStringLiteral("export.csv")), &SurveyScanStore::exportCSV);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("CSV exported to export.csv."));
    EXPECT_EQ(readText(path(QStringLiteral("export.csv"))) + QLatin1Char('\n'), text);
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
    const QString crop = path(QStringLiteral("crops/survey-1-q-2.png"));
    const QString page = path(QStringLiteral("pages/front-1.png"));
    reader.answer = [crop, page](const QList<ScanPage>& pages) {
        SurveyExtractionResult result = answerAll(pages, 14, true);
        QuestionReviewItem& first = result.reviewItems.first();
        first.prompt = QStringLiteral("Q2: Grade");
        first.confidence = 0.42;
        first.reviewNote = QStringLiteral("Two boxes marked");
        first.imageURL = QUrl::fromLocalFile(crop);
        first.pageURL = QUrl::fromLocalFile(page);
        first.quarterTurns = 2;
        first.skewDegrees = -1.25;
        first.cropRect = QRectF(40, 310, 1200, 260);
        result.questions = {{1, QStringLiteral("I am:")}, {2, QStringLiteral("Grade")}};
        return result;
    };
    runBatch(3, 2);
    choose(path(QStringLiteral("out/answers.csv")), &SurveyScanStore::chooseCSVFile);
    // Cells a person set are saved with where they came from.
    store.updateAnswer(1, 1, QStringLiteral("Typed in"));
    store.applyReviewItem(store.reviewItems().constLast());
    const AnswerSources sources = store.answerSources();
    ASSERT_EQ(sources.size(), 2);
    store.updateReviewItem(store.reviewItems()[1], QStringLiteral("typed"));
    const QList<QuestionReviewItem> pending = store.reviewItems();
    const auto pages = store.pages();
    const auto responses = store.responses();
    const auto questions = store.detectedQuestions();
    const auto configuration = store.configuration();
    EXPECT_TRUE(store.reviewWorkWouldBeLost());
    choose(path(QStringLiteral("p.twk")), &SurveyScanStore::saveProjectAs);
    EXPECT_FALSE(store.reviewWorkWouldBeLost());

    const QJsonArray saved =
        QJsonDocument::fromJson(readText(path(QStringLiteral("p.twk"))).toUtf8())
            .object()
            .value(QStringLiteral("reviewItems"))
            .toArray();
    ASSERT_EQ(saved.size(), 2);
    const QJsonObject first = saved[0].toObject();
    EXPECT_EQ(first.keys(),
              (QStringList{"confidence", "cropRect", "enteredText", "imageFile", "pageFile",
                           "pageNumber", "prompt", "quarterTurns", "questionNumber", "reviewNote",
                           "skewDegrees", "suggestedText", "surveyNumber"}));
    EXPECT_EQ(first.value("imageFile").toString(), crop);
    EXPECT_EQ(first.value("cropRect").toArray(), (QJsonArray{40, 310, 1200, 260}));
    EXPECT_FALSE(saved[1].toObject().contains(QStringLiteral("reviewNote")));

    // Saved: nothing to lose, so no question.
    store.newProject();
    EXPECT_TRUE(panels.discardQuestions.isEmpty());
    EXPECT_TRUE(store.reviewItems().isEmpty());

    choose(path(QStringLiteral("p.twk")), &SurveyScanStore::openProject);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Opened p.twk."));
    EXPECT_EQ(store.responses(), responses);
    EXPECT_EQ(store.detectedQuestions(), questions);
    EXPECT_EQ(store.configuration(), configuration);
    EXPECT_EQ(withoutIds(store.pages()), withoutIds(pages));
    EXPECT_EQ(store.csvURL(), QUrl::fromLocalFile(path(QStringLiteral("out/answers.csv"))));
    EXPECT_EQ(store.selectedSurveyNumber(), 1);
    EXPECT_FALSE(store.isProjectDirty());
    EXPECT_EQ(store.stage(), ScanStage::reviewing);
    EXPECT_EQ(store.answerSources(), sources);
    const QList<QuestionReviewItem> reopened = store.reviewItems();
    EXPECT_EQ(withoutIds(reopened), withoutIds(pending));
    ASSERT_FALSE(reopened.isEmpty());
    EXPECT_NE(reopened.first().id, pending.first().id);

    // Typed text that is not saved yet is asked about.
    store.updateReviewItem(reopened.first(), QStringLiteral("not saved"));
    panels.agreeToDiscard = false;
    store.newProject();
    EXPECT_EQ(panels.discardQuestions, QList<DiscardReason>{DiscardReason::newProject});
    EXPECT_EQ(store.reviewItems().size(), 2);
}
