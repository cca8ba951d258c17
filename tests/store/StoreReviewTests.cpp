#include "StoreFixture.h"

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

TEST_F(StoreReview, UpdateAnswerPadsTrimsAndReportsAndBlankReadsNA)
{
    store.updateAnswer(2, 5, QStringLiteral("   "));
    for (const auto& [survey, question] : {std::pair{2, 5}, {9, 1}, {2, 0}, {2, 15}})
        EXPECT_EQ(store.answerValue(survey, question), QStringLiteral("N/A"));
    EXPECT_EQ(store.answerValue(2, 1), QStringLiteral("A"));

    store.updateAnswer(3, 20, QStringLiteral("  late  "));
    const auto& answers = store.responses()[2].answers;
    ASSERT_EQ(answers.size(), 20);
    EXPECT_EQ(answers.mid(14, 5), QStringList(5, QStringLiteral("N/A")));
    EXPECT_EQ(answers[19], QStringLiteral("late"));
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Updated survey 3, Q20."));
    // The edit settles that cell: its open review item leaves the queue, so
    // a later apply cannot overwrite the edit.
    store.updateAnswer(1, 2, QStringLiteral("C"));
    EXPECT_EQ(store.reviewItems().size(), 2);
    for (const QuestionReviewItem& item : store.reviewItems())
        EXPECT_NE(item.surveyNumber, 1);

    const auto before = store.responses();
    store.updateAnswer(7, 1, QStringLiteral("X"));
    store.updateAnswer(1, 0, QStringLiteral("X"));
    EXPECT_EQ(store.responses(), before);
}

TEST_F(StoreReview, UpdateReviewItemTouchesTheQueuedTextAndMarksItUnsaved)
{
    panels.answers.enqueue(path(QStringLiteral("review.twk")));
    store.saveProjectAs();
    ASSERT_FALSE(store.isProjectDirty());
    QSignalSpy dirty(&store, &SurveyScanStore::isProjectDirtyChanged);
    const QString status = store.statusMessage();
    const QuestionReviewItem item = store.reviewItems().first();
    store.updateReviewItem(item, QStringLiteral(" typed "));
    EXPECT_EQ(store.reviewItems().first().enteredText, QStringLiteral(" typed "));
    EXPECT_EQ(store.statusMessage(), status);
    // The queue is saved with the project, typed text included.
    EXPECT_EQ(dirty.count(), 1);
    EXPECT_TRUE(store.reviewWorkWouldBeLost());
    store.updateReviewItem(store.reviewItems().first(), QStringLiteral(" typed "));
    EXPECT_EQ(dirty.count(), 1);

    store.applyReviewItem(store.reviewItems().first());
    const auto items = store.reviewItems();
    store.updateReviewItem(item, QStringLiteral("late")); // already applied
    EXPECT_EQ(store.reviewItems(), items);
}

// Entered text wins over the suggestion; an item outside the answers, for a
// deleted survey or with nothing to apply changes nothing.
TEST_F(StoreReview, ApplyUsesEnteredTextThenSuggestion)
{
    auto beyond = store.reviewItems()[0];
    beyond.questionNumber = 16;
    store.applyReviewItem(beyond);
    EXPECT_EQ(store.reviewItems().size(), 3);
    EXPECT_EQ(store.responses()[0].answers.size(), 14);

    auto first = store.reviewItems()[0];
    first.enteredText = QStringLiteral("  D ");
    store.applyReviewItem(first);
    EXPECT_EQ(store.answerValue(1, 2), QStringLiteral("D"));
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Review 2 uncertain answers."));
    EXPECT_EQ(store.stage(), ScanStage::reviewing);

    auto second = store.reviewItems()[0];
    second.enteredText = QStringLiteral("  ");
    store.applyReviewItem(second);
    EXPECT_EQ(store.answerValue(2, 2), QStringLiteral("B"));

    auto blank = store.reviewItems()[0];
    blank.suggestedText = QStringLiteral(" ");
    store.applyReviewItem(blank);
    EXPECT_EQ(store.reviewItems().size(), 1); // stays queued

    const auto last = store.reviewItems()[0];
    store.applyReviewItem(last);
    EXPECT_TRUE(store.reviewItems().isEmpty());
    EXPECT_EQ(store.stage(), ScanStage::finished);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("All uncertain answers reviewed."));

    store.deleteResponse(store.responses()[2]);
    const auto responses = store.responses();
    store.applyReviewItem(last);
    EXPECT_EQ(store.responses(), responses);
}

TEST_F(StoreReview, UndoReturnsTheStageAndANewBatchStartsAFreshHistory)
{
    store.applyReviewItem(store.reviewItems()[0]);
    store.applyReviewItem(store.reviewItems()[0]);
    store.applyReviewItem(store.reviewItems()[0]);
    ASSERT_EQ(store.stage(), ScanStage::finished);
    store.undo();
    EXPECT_EQ(store.stage(), ScanStage::reviewing);
    EXPECT_EQ(store.reviewItems().size(), 1);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Undid answer for survey 3, Q2."));
    store.redo();
    EXPECT_EQ(store.stage(), ScanStage::finished);

    // Edits made before a batch hold lists without it; they cannot be undone
    // over it.
    runBatch(1);
    EXPECT_FALSE(store.undoStack()->canUndo());
    EXPECT_EQ(store.responses().size(), 4);
}

TEST_F(StoreReview, DeleteRemovesEverythingOfTheSurveyAndMovesTheSelection)
{
    store.setSelectedSurveyNumber(2);
    store.deleteResponse(store.responses()[1]);
    EXPECT_EQ(store.responses().size(), 2);
    EXPECT_EQ(store.pages().size(), 2);
    EXPECT_EQ(store.reviewItems().size(), 2);
    EXPECT_EQ(store.selectedSurveyNumber(), 1);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Deleted survey 2."));
    EXPECT_TRUE(store.isProjectDirty());
    // Survey numbers leave a gap.
    EXPECT_EQ(store.responses()[1].surveyNumber, 3);

    store.deleteResponse(store.responses()[0]);
    store.deleteResponse(store.responses()[0]);
    EXPECT_FALSE(store.selectedSurveyNumber());
    EXPECT_TRUE(store.responses().isEmpty());
    EXPECT_TRUE(store.pages().isEmpty());
}
