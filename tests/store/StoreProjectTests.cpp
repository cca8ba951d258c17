#include "StoreFixture.h"

#include "files/SurveyProjectDocument.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

namespace {
QString readText(const QString& filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(file.readAll());
}
} // namespace

class StoreProject : public StoreFixture
{
protected:
    StoreProject() { connectScanner(); }

    // A file where a folder should be: writing below it fails for every user, root included.
    QString blocker()
    {
        QFile file(path(QStringLiteral("blocker")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return file.fileName();
    }
};

TEST_F(StoreProject, CancelledPanelsChangeNothing)
{
    store.exportCSV(); // nothing to export: no panel
    EXPECT_TRUE(panels.requests.isEmpty());
    runBatch(1);
    const QString status = store.statusMessage();
    store.saveProjectAs();
    store.chooseCSVFile();
    store.exportCSV();
    store.openProject();
    EXPECT_EQ(panels.requests.size(), 4);
    EXPECT_EQ(store.statusMessage(), status);
    EXPECT_FALSE(store.projectURL());
    EXPECT_FALSE(store.csvURL());
    EXPECT_EQ(store.responses().size(), 1);
}

TEST_F(StoreProject, NewAndOpenAskBeforeDroppingUnsavedWork)
{
    runBatch(2);
    panels.agreeToDiscard = false;
    store.newProject();
    store.openProject();
    EXPECT_EQ(panels.discardQuestions,
              (QList<DiscardReason>{DiscardReason::newProject, DiscardReason::openProject}));
    EXPECT_TRUE(panels.requests.isEmpty()); // declined before any open panel
    EXPECT_EQ(store.responses().size(), 2);
    EXPECT_TRUE(store.isProjectDirty());

    panels.agreeToDiscard = true;
    store.newProject();
    EXPECT_TRUE(store.responses().isEmpty());
    EXPECT_TRUE(store.pages().isEmpty());
    EXPECT_EQ(store.stage(), ScanStage::idle);
    EXPECT_FALSE(store.isProjectDirty());
    EXPECT_EQ(store.statusMessage(), QStringLiteral("New project ready."));
    EXPECT_EQ(store.configuration(), SurveyConfiguration());

    // Nothing unsaved: no question.
    store.newProject();
    EXPECT_EQ(panels.discardQuestions.size(), 3);
}

TEST_F(StoreProject, ProjectReopensToTheSameState)
{
    reader.answer = [](const QList<ScanPage>& pages) {
        auto result = answerAll(pages, 14, true);
        result.questions = {{1, QStringLiteral("I am:")}, {2, QStringLiteral("Grade")}};
        return result;
    };
    runBatch(2, 2);
    panels.answers.enqueue(path(QStringLiteral("p.twk")));
    store.saveProjectAs();
    panels.answers.enqueue(path(QStringLiteral("out/answers.csv")));
    store.chooseCSVFile();
    const auto pages = store.pages();
    const auto responses = store.responses();
    const auto questions = store.detectedQuestions();
    const auto configuration = store.configuration();

    store.newProject();
    panels.answers.enqueue(path(QStringLiteral("p.twk")));
    store.openProject();
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Opened p.twk."));
    EXPECT_EQ(store.responses(), responses);
    EXPECT_EQ(store.detectedQuestions(), questions);
    EXPECT_EQ(store.configuration(), configuration);
    ASSERT_EQ(store.pages().size(), pages.size());
    for (int i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(store.pages()[i].fileURL, pages[i].fileURL);
        EXPECT_EQ(store.pages()[i].pageNumber, pages[i].pageNumber);
        EXPECT_EQ(store.pages()[i].side, pages[i].side);
    }
    EXPECT_EQ(store.csvURL(), QUrl::fromLocalFile(path(QStringLiteral("out/answers.csv"))));
    EXPECT_EQ(store.reviewItems().size(), 2); // the queue is part of the project
    EXPECT_EQ(store.stage(), ScanStage::reviewing);
    EXPECT_EQ(store.selectedSurveyNumber(), 1);
    EXPECT_FALSE(store.isProjectDirty());
}

TEST_F(StoreProject, NotAProjectLeavesEverythingAsItWas)
{
    runBatch(1);
    QFile bogus(path(QStringLiteral("bogus.twk")));
    ASSERT_TRUE(bogus.open(QIODevice::WriteOnly));
    bogus.write("this is not json");
    bogus.close();
    const auto responses = store.responses();
    panels.answers.enqueue(bogus.fileName());
    store.openProject();
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Could not open project."));
    ASSERT_TRUE(store.errorMessage());
    EXPECT_FALSE(store.errorMessage()->isEmpty());
    EXPECT_EQ(store.responses(), responses);
    EXPECT_FALSE(store.projectURL());
}

TEST_F(StoreProject, SavingToAnUnwritablePlaceKeepsDirty)
{
    runBatch(1);
    panels.answers.enqueue(blocker() + QStringLiteral("/p.twk"));
    store.saveProjectAs();
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Could not save project."));
    EXPECT_TRUE(store.errorMessage());
    EXPECT_TRUE(store.isProjectDirty());
    EXPECT_TRUE(store.projectURL()); // the location stays chosen
}

TEST_F(StoreProject, ConnectedCSVGrowsPerBatchAndIsRewrittenAfterEdits)
{
    runBatch(1);
    panels.answers.enqueue(path(QStringLiteral("p.twk")));
    store.saveProjectAs();
    const QString csv = path(QStringLiteral("deep/er/answers.csv"));
    panels.answers.enqueue(csv);
    store.chooseCSVFile();
    // The project file records the connection without touching the status.
    EXPECT_EQ(store.statusMessage(), QStringLiteral("CSV connected at answers.csv."));
    EXPECT_EQ(readProjectFile(path(QStringLiteral("p.twk"))).csvPath, csv);
    EXPECT_EQ(panels.requests.last().suggestedName, QStringLiteral("Paper Survey-responses.csv"));
    const auto rows = [&] { return readText(csv).split('\n', Qt::SkipEmptyParts).size(); };
    EXPECT_EQ(rows(), 2); // header and one row

    runBatch(2);
    EXPECT_EQ(rows(), 4);
    store.updateAnswer(2, 1, QStringLiteral("Edited"));
    const QString text = readText(csv);
    EXPECT_TRUE(text.contains(QStringLiteral("\n2,Front,2,")) && text.contains("Edited"));
    EXPECT_EQ(rows(), 4);

    panels.answers.enqueue(path(QStringLiteral("export.csv")));
    store.exportCSV();
    EXPECT_EQ(store.statusMessage(), QStringLiteral("CSV exported to export.csv."));
    EXPECT_EQ(readText(path(QStringLiteral("export.csv"))) + QLatin1Char('\n'), text);
    EXPECT_EQ(store.csvURL(), QUrl::fromLocalFile(csv));
}

TEST_F(StoreProject, AConnectedCSVThatHasGoneIsWrittenAgainWithEverySurvey)
{
    runBatch(2);
    const QString csv = path(QStringLiteral("later/answers.csv"));
    panels.answers.enqueue(csv);
    store.chooseCSVFile();
    panels.answers.enqueue(path(QStringLiteral("p.twk")));
    store.saveProjectAs();
    QFile::remove(csv);

    store.newProject();
    panels.answers.enqueue(path(QStringLiteral("p.twk")));
    store.openProject();
    runBatch(1);
    const QString text = readText(csv);
    EXPECT_TRUE(text.startsWith(QStringLiteral("survey_id,")));
    // The header and a row for each of the three surveys held, not the new one alone.
    EXPECT_EQ(text.count(QLatin1Char('\n')), 4) << text.toStdString();
    for (const char* row : {"\n1,", "\n2,", "\n3,"})
        EXPECT_TRUE(text.contains(QLatin1String(row))) << row;
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Captured and read 3 surveys from 3 pages."));
}

TEST_F(StoreProject, AFailedConnectKeepsTheCSVConnectedBefore)
{
    runBatch(1);
    const QString csv = path(QStringLiteral("answers.csv"));
    panels.answers.enqueue(csv);
    store.chooseCSVFile();
    panels.answers.enqueue(blocker() + QStringLiteral("/answers.csv"));
    store.chooseCSVFile();
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Could not create CSV."));
    ASSERT_TRUE(store.errorMessage());
    EXPECT_TRUE(store.errorMessage()->contains(QStringLiteral("blocker")));
    EXPECT_EQ(store.csvURL(), QUrl::fromLocalFile(csv));

    // Batches still reach the working CSV.
    runBatch(1);
    EXPECT_EQ(readText(csv).split('\n', Qt::SkipEmptyParts).size(), 3);
    EXPECT_EQ(store.stage(), ScanStage::finished);
}

TEST_F(StoreProject, CSVAndProjectFailuresAtABatchEndAreBothReported)
{
    runBatch(1);
    const QString csv = path(QStringLiteral("answers.csv"));
    const QString project = path(QStringLiteral("p.twk"));
    panels.answers.enqueue(csv);
    store.chooseCSVFile();
    panels.answers.enqueue(project);
    store.saveProjectAs();
    // Folders where both files were: neither can be written.
    ASSERT_TRUE(QFile::remove(csv) && QDir().mkpath(csv));
    ASSERT_TRUE(QFile::remove(project) && QDir().mkpath(project));

    runBatch(1);
    ASSERT_TRUE(store.errorMessage());
    EXPECT_TRUE(store.errorMessage()->contains(QStringLiteral("answers.csv")))
        << store.errorMessage()->toStdString();
    EXPECT_TRUE(store.errorMessage()->contains(QStringLiteral("p.twk")));
    EXPECT_EQ(store.responses().size(), 2);
    EXPECT_EQ(store.stage(), ScanStage::finished);
}

TEST_F(StoreProject, ReadingProblemsReachTheOperator)
{
    const QString problem = QStringLiteral("The text recognition model could not be loaded.");
    reader.answer = [&](const QList<ScanPage>& pages) {
        SurveyExtractionResult result = answerAll(pages, 14, false);
        result.problems = {problem};
        return result;
    };
    runBatch(1);
    EXPECT_EQ(store.errorMessage(), problem);
    EXPECT_EQ(store.responses().size(), 1);
}

// The review queue is part of the project: saved under "reviewItems",
// restored on open with fresh ids, and never dropped without a question.
TEST_F(StoreProject, PendingReviewItemsAreSavedAndReopened)
{
    const QString crop = path(QStringLiteral("crops/survey-1-q-2.png"));
    reader.answer = [crop](const QList<ScanPage>& pages) {
        SurveyExtractionResult result = answerAll(pages, 14, true);
        QuestionReviewItem& first = result.reviewItems.first();
        first.prompt = QStringLiteral("Q2: Grade");
        first.confidence = 0.42;
        first.reviewNote = QStringLiteral("Two boxes marked");
        first.imageURL = QUrl::fromLocalFile(crop);
        return result;
    };
    runBatch(2);
    store.updateReviewItem(store.reviewItems()[1], QStringLiteral("typed"));
    const QList<QuestionReviewItem> pending = store.reviewItems();
    EXPECT_TRUE(store.reviewWorkWouldBeLost());
    panels.answers.enqueue(path(QStringLiteral("p.twk")));
    store.saveProjectAs();
    EXPECT_FALSE(store.reviewWorkWouldBeLost());

    const QJsonArray saved =
        QJsonDocument::fromJson(readText(path(QStringLiteral("p.twk"))).toUtf8())
            .object()
            .value(QStringLiteral("reviewItems"))
            .toArray();
    ASSERT_EQ(saved.size(), 2);
    const QJsonObject first = saved[0].toObject();
    EXPECT_EQ(first.keys(),
              (QStringList{"confidence", "enteredText", "imageFile", "pageNumber", "prompt",
                           "questionNumber", "reviewNote", "suggestedText", "surveyNumber"}));
    EXPECT_EQ(first.value("imageFile").toString(), crop);
    EXPECT_FALSE(saved[1].toObject().contains(QStringLiteral("reviewNote")));

    // Saved: nothing to lose, so no question.
    store.newProject();
    EXPECT_TRUE(panels.discardQuestions.isEmpty());
    EXPECT_TRUE(store.reviewItems().isEmpty());

    store.openProject(path(QStringLiteral("p.twk")));
    EXPECT_EQ(store.stage(), ScanStage::reviewing);
    const QList<QuestionReviewItem> reopened = store.reviewItems();
    ASSERT_EQ(reopened.size(), pending.size());
    for (qsizetype i = 0; i < pending.size(); ++i) {
        QuestionReviewItem expected = pending[i];
        EXPECT_NE(reopened[i].id, expected.id);
        expected.id = reopened[i].id;
        EXPECT_EQ(reopened[i], expected);
    }

    // Typed text that is not saved yet is asked about.
    store.updateReviewItem(reopened.first(), QStringLiteral("not saved"));
    panels.agreeToDiscard = false;
    store.newProject();
    EXPECT_EQ(panels.discardQuestions, QList<DiscardReason>{DiscardReason::newProject});
    EXPECT_EQ(store.reviewItems().size(), 2);
}
