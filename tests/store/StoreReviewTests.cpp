#include "StoreFixture.h"
#include "files/SurveyProjectDocument.h"
#include "model/BuiltInTemplate.h"

#include <QSignalSpy>
#include <QUndoStack>

class StoreReview : public StoreFixture
{
protected:
    StoreReview()
    {
        connectScanner();
        reader.answer = [](const QList<ScanPage>& pages) { return answerAll(pages, 14, true); };
        runBatch(3);
    }
};

TEST_F(StoreReview, UpdateAnswerPadsTrimsAndReportsAndDeleteRemovesEverythingOfTheSurvey)
{
    store.updateAnswer(2, 5, "   ");
    for (const auto& [survey, question] : {std::pair{2, 5}, {9, 1}, {2, 0}, {2, 15}})
        EXPECT_EQ(store.answerValue(survey, question), "N/A");
    EXPECT_EQ(store.answerValue(2, 1), "A");

    store.updateAnswer(3, 20, "  late  ");
    const auto& answers = store.responses()[2].answers;
    ASSERT_EQ(answers.size(), 20);
    EXPECT_EQ(answers.mid(14, 5), QStringList(5, "N/A"));
    EXPECT_EQ(answers[19], "late");
    EXPECT_EQ(store.statusMessage(), "Updated survey 3, Q20.");

    const auto before = store.responses();
    store.updateAnswer(7, 1, "X");
    store.updateAnswer(1, 0, "X");
    EXPECT_EQ(store.responses(), before);

    // A deletion takes everything of the survey and moves the selection on.
    store.setSelectedSurveyNumber(2);
    store.deleteResponse(store.responses()[1]);
    EXPECT_EQ(store.responses().size(), 2);
    EXPECT_EQ(store.pages().size(), 2);
    EXPECT_EQ(store.reviewItems().size(), 2);
    EXPECT_EQ(store.selectedSurveyNumber(), 1);
    EXPECT_EQ(store.statusMessage(), "Deleted survey 2.");
    EXPECT_EQ(store.responses()[1].surveyNumber, 3);

    store.deleteResponse(store.responses()[0]);
    store.deleteResponse(store.responses()[0]);
    EXPECT_FALSE(store.selectedSurveyNumber());
    EXPECT_TRUE(store.responses().isEmpty() && store.pages().isEmpty());
    // Undoing the deletions over a later batch would drop the batch.
    runBatch(1);
    EXPECT_FALSE(store.undoStack()->canUndo());
}

// Typed text is kept on the queued item and marks the project unsaved once.
// Entered text wins over the suggestion; an item outside the answers, for a
// deleted survey or with nothing to apply changes nothing. Undo returns the stage.
TEST_F(StoreReview, TypedTextIsKeptThenAppliedOverTheSuggestionAndUndone)
{
    choose(path("review.twk"), &SurveyScanStore::saveProjectAs);
    QSignalSpy dirty(&store, &SurveyScanStore::isProjectDirtyChanged);
    const QuestionReviewItem typed = store.reviewItems().first();
    for (int i = 0; i < 2; ++i)
        store.updateReviewItem(typed, " typed ");
    EXPECT_EQ(store.reviewItems().first().enteredText, " typed ");
    EXPECT_EQ(dirty.count(), 1);

    auto beyond = store.reviewItems()[0];
    beyond.questionNumber = 16;
    store.applyReviewItem(beyond);
    EXPECT_EQ(store.reviewItems().size(), 3);
    EXPECT_EQ(store.responses()[0].answers.size(), 14);

    auto first = store.reviewItems()[0];
    first.enteredText = "  D ";
    store.applyReviewItem(first);
    EXPECT_EQ(store.answerValue(1, 2), "D");
    EXPECT_EQ(store.statusMessage(), "Review 2 uncertain answers.");

    auto second = store.reviewItems()[0];
    second.enteredText = "  ";
    store.applyReviewItem(second);
    EXPECT_EQ(store.answerValue(2, 2), "B");

    auto blank = store.reviewItems()[0];
    blank.suggestedText = " ";
    store.applyReviewItem(blank);
    EXPECT_EQ(store.reviewItems().size(), 1); // stays queued

    const auto last = store.reviewItems()[0];
    store.applyReviewItem(last);
    store.updateReviewItem(last, "late"); // already applied
    EXPECT_TRUE(store.reviewItems().isEmpty());
    EXPECT_EQ(store.stage(), ScanStage::finished);
    EXPECT_EQ(store.statusMessage(), "All uncertain answers reviewed.");
    store.undo();
    EXPECT_EQ(store.stage(), ScanStage::reviewing);
    EXPECT_EQ(store.statusMessage(), "Undid answer for survey 3, Q2.");

    store.deleteResponse(store.responses()[2]);
    const auto responses = store.responses();
    store.applyReviewItem(last);
    EXPECT_EQ(store.responses(), responses);
}

using StoreTemplate = StoreFixture;

namespace {
SurveyTemplateField field(qint64 number, const QString& prompt,
                          SurveyDetectionMode mode = SurveyDetectionMode::singleChoice,
                          const QString& options = {})
{
    return {number, prompt, mode, options};
}
} // namespace

TEST_F(StoreTemplate, EditedAddedAndDeletedRowsKeepTheCountAtTheHighestNumberUntilAPresetRestores)
{
    // The field itself, and the preset turning custom, are checked through the template screen.
    store.updateTemplateField(field(3, "Favourite lunch?", SurveyDetectionMode::written));
    EXPECT_EQ(store.configuration().templateFields.size(), 14);
    ASSERT_GE(store.detectedQuestions().size(), 3);
    EXPECT_EQ(store.detectedQuestions()[2].text, "Favourite lunch?");

    const auto before = store.configuration();
    store.updateTemplateField(field(0, "Nothing"));
    EXPECT_EQ(store.configuration(), before);

    store.updateTemplateField(field(30, "Thirty"));
    EXPECT_EQ(store.configuration().templateFields.last().number, 30);
    EXPECT_EQ(store.configuration().questionCount, 30);
    EXPECT_EQ(store.detectedQuestions().size(), 30);
    // Scans ask for every question up to the highest number.
    connectScanner();
    runBatch(1);
    EXPECT_EQ(scanner.scanConfigurations.last().questionCount, 30);

    // A preset restores its fields and questions.
    store.applyTemplatePreset(SurveyTemplate::krda2026);
    EXPECT_EQ(store.configuration().templateFields, krdaTemplateFields());
    EXPECT_EQ(store.detectedQuestions().value(2).text, krdaTemplateFields()[2].prompt);
    EXPECT_EQ(store.statusMessage(), "Template set to KRDA 2026.");
    store.applyTemplatePreset(SurveyTemplate::custom);
    EXPECT_EQ(store.configuration().templateFields[0].prompt, "Question 1");

    store.applyTemplatePreset(SurveyTemplate::krda2026);
    store.addTemplateField();
    EXPECT_EQ(store.configuration().templateFields.last(), field(15, "Question 15"));
    EXPECT_EQ(store.configuration().questionCount, 15);
    EXPECT_EQ(store.statusMessage(), "Added question 15 to the template.");
    store.deleteTemplateField(field(5, {}));
    EXPECT_EQ(store.configuration().templateFields.size(), 14);
    EXPECT_EQ(store.configuration().questionCount, 15);
    EXPECT_EQ(store.statusMessage(), "Removed question 5 from the template.");
    store.deleteTemplateField(field(15, {}));
    EXPECT_EQ(store.configuration().questionCount, 14);

    SurveyConfiguration one = store.configuration();
    one.templateFields = {field(4, "Only")};
    store.setConfiguration(one);
    store.deleteTemplateField(field(4, {}));
    EXPECT_EQ(store.configuration().questionCount, 1);
    store.addTemplateField();
    EXPECT_EQ(store.configuration().templateFields,
              (QList<SurveyTemplateField>{field(1, "Question 1")}));
}

TEST_F(StoreTemplate, EditsAreWrittenThroughToProjectAndCSV)
{
    connectScanner();
    runBatch(1);
    const QString csv = path("t/answers.csv");
    choose(path("t/project.twk"), &SurveyScanStore::saveProjectAs);
    choose(csv, &SurveyScanStore::chooseCSVFile);

    store.updateTemplateField(field(2, "Renamed question"));
    EXPECT_TRUE(testsupport::readText(csv).contains("Renamed question"));
    EXPECT_FALSE(store.isProjectDirty());
    EXPECT_EQ(readProjectFile(path("t/project.twk")).configuration, store.configuration());

    const QString csvBefore = testsupport::readText(csv);
    store.addTemplateField();
    EXPECT_EQ(testsupport::readText(csv), csvBefore);
    EXPECT_EQ(readProjectFile(path("t/project.twk")).configuration.questionCount, 15);
}

TEST_F(StoreTemplate, TemplateScanProposesFieldsLeavingSurveysAloneAndACancelChangesNothing)
{
    connectScanner();
    reader.answer = [](const QList<ScanPage>& pages) {
        SurveyExtractionResult result = answerAll(pages, 14, false);
        // Question 3 has options: its kind stays whatever its wording.
        result.questions = {
            {1, "Your name"}, {2, "Question 2"}, {3, "Why?"}, {16, "Why did you come?"}};
        return result;
    };
    runBatch(1);
    const auto before = held();
    ScanBatchResult canceled = makeScannedBatch(1, 2);
    canceled.endedEarly = ScanEarlyEnd{ScanStopCause::canceled, "The scan was canceled."};
    scanner.scripted.enqueue(canceled);
    QCoro::waitFor(store.scanTemplatePage());
    EXPECT_EQ(store.stage(), ScanStage::idle);
    EXPECT_EQ(store.errorMessage(), "The scan was canceled.");
    EXPECT_EQ(held(), before);
    EXPECT_EQ(reader.readPages.size(), 1);

    scanner.scripted.enqueue(makeScannedBatch(1, 2));
    QCoro::waitFor(store.scanTemplatePage());
    EXPECT_EQ(store.stage(), ScanStage::finished);
    EXPECT_EQ(scanner.scanConfigurations.last().questionCount, 60);
    EXPECT_FALSE(reader.allQuestionFlags.last());
    EXPECT_EQ(store.pages(), std::get<0>(before));
    EXPECT_EQ(store.responses(), std::get<1>(before));
    EXPECT_EQ(store.templateField(1)->prompt, "Your name");
    EXPECT_EQ(store.templateField(16)->detectionMode, SurveyDetectionMode::written);
    EXPECT_EQ(store.templateField(3)->detectionMode, SurveyDetectionMode::multipleChoice);
    EXPECT_EQ(store.templateField(2)->prompt, std::get<2>(before).templateFields[1].prompt);
    EXPECT_EQ(store.configuration().questionCount, 16);
    EXPECT_EQ(store.detectedQuestions().size(), 16);
}
