#include "AIStepFixture.h"

using namespace aisteps;
using namespace std::chrono_literals;

TEST_F(AIOrchestrationTest, HybridWritesConfidentAnswersEvenWhenFlagged)
{
    settings.setDetectionMode(AIDetectionMode::hybrid);
    client.crops[3] = suggestion(QStringLiteral("B"), 0.95, true);
    client.crops[4] = suggestion(QStringLiteral("C"), 0.80, false, QStringLiteral("faint tick"));

    const AIStepResult result = runTask(applyAIEnhancements(
        context(), {response(1, 14)}, {reviewItem(1, 3, QStringLiteral("A")), reviewItem(1, 4)}));

    EXPECT_EQ(result.responses[0].answers[2], QStringLiteral("B"));
    EXPECT_EQ(result.responses[0].answers[3], QStringLiteral("N/A"));
    ASSERT_EQ(result.reviewItems.size(), 1);
    const QuestionReviewItem& kept = result.reviewItems[0];
    EXPECT_EQ(kept.questionNumber, 4);
    EXPECT_EQ(kept.suggestedText, QStringLiteral("C"));
    EXPECT_EQ(kept.enteredText, QStringLiteral("C"));
    EXPECT_DOUBLE_EQ(kept.confidence, 0.80);
    EXPECT_EQ(kept.reviewNote, QStringLiteral("AI was 80% confident: faint tick"));
    EXPECT_EQ(result.status, (AIStepStatus{QStringLiteral("AI checked 2 review images and "
                                                          "auto-filled 1."),
                                           2, 1, 0}));
    EXPECT_EQ(client.keys, QStringList(2, kKey));
}

TEST_F(AIOrchestrationTest, AIReviewOnlySuggests)
{
    settings.setDetectionMode(AIDetectionMode::aiReview);
    client.crops[1] = suggestion(QStringLiteral("Yes"), 0.99);
    client.crops[2] = suggestion(QStringLiteral("No"), 0.99, true);
    client.crops[5] = suggestion(QString(), 0.99);

    const AIStepResult result = runTask(applyAIEnhancements(
        context(), {response(1, 14)},
        {reviewItem(1, 1), reviewItem(1, 2), reviewItem(1, 5, QStringLiteral("local"))}));

    EXPECT_EQ(result.responses[0].answers, QStringList(14, QStringLiteral("N/A")));
    ASSERT_EQ(result.reviewItems.size(), 3);
    EXPECT_EQ(result.reviewItems[0].enteredText, QStringLiteral("Yes"));
    EXPECT_EQ(result.reviewItems[0].reviewNote,
              QStringLiteral("AI suggested this answer for review."));
    EXPECT_EQ(result.reviewItems[1].reviewNote,
              QStringLiteral("AI flagged this answer for review."));
    // An empty answer leaves the local suggestion in place.
    EXPECT_EQ(result.reviewItems[2].suggestedText, QStringLiteral("local"));
    EXPECT_TRUE(result.reviewItems[2].enteredText.isEmpty());
    EXPECT_EQ(result.status.autoAppliedCount, 0);
}

TEST(AIReviewRules, ReviewNoteForEachConfidenceCase)
{
    struct Row
    {
        AIAnswerSuggestion suggestion;
        const char* note;
    };
    const Row rows[] = {
        {suggestion(QStringLiteral("n/a"), 1.0), "AI could not find a readable answer. Review "
                                                 "required."},
        {suggestion(QStringLiteral("B"), 0.874), "AI was only 87% confident. Review required."},
        {suggestion(QStringLiteral("B"), 0.5, true, QStringLiteral(" smudged ")),
         "AI was 50% confident: smudged"},
        {suggestion(QStringLiteral("B"), 0.95, true, QStringLiteral("two ticks")),
         "AI flagged this answer for review: two ticks"},
        {suggestion(QStringLiteral("B"), 0.97, false, QStringLiteral("clear circle")),
         "AI note: clear circle"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(reviewNote(row.suggestion, 0.92), QString::fromUtf8(row.note)) << row.note;
}

TEST(AIReviewRules, AutoApplyNeedsTheModeTheThresholdAndAnAnswer)
{
    using enum AIDetectionMode;
    EXPECT_TRUE(shouldAutoApply(suggestion(QStringLiteral("B"), 0.92), hybrid, 0.92));
    EXPECT_TRUE(shouldAutoApply(suggestion(QStringLiteral("B"), 0.92), aiFirst, 0.92));
    EXPECT_FALSE(shouldAutoApply(suggestion(QStringLiteral("B"), 1.0), aiReview, 0.92));
    EXPECT_FALSE(shouldAutoApply(suggestion(QStringLiteral("B"), 0.919), hybrid, 0.92));
    EXPECT_FALSE(shouldAutoApply(suggestion(QStringLiteral(" n/A "), 1.0), hybrid, 0.92));
    EXPECT_FALSE(shouldAutoApply(suggestion(QStringLiteral("  "), 1.0), hybrid, 0.92));
}

TEST(AIReviewRules, AnswerWritingPadsShortResponsesAndIgnoresUnknownSurveys)
{
    QList<SurveyResponse> responses{response(2, 14, QStringLiteral("x")), response(2, 3)};
    EXPECT_TRUE(applyAIAnswer(responses, 2, 16, QStringLiteral("Yes")));
    ASSERT_EQ(responses[0].answers.size(), 16);
    EXPECT_EQ(responses[0].answers[14], QStringLiteral("N/A"));
    EXPECT_EQ(responses[0].answers[15], QStringLiteral("Yes"));
    EXPECT_EQ(responses[1].answers.size(), 3); // only the first response of the survey
    EXPECT_FALSE(applyAIAnswer(responses, 9, 1, QStringLiteral("Yes")));
    EXPECT_FALSE(applyAIAnswer(responses, 2, 0, QStringLiteral("Yes")));
    EXPECT_EQ(responses[0].answers.size(), 16);
}

TEST_F(AIOrchestrationTest, BatchLimitSendsTheFirstItemsAndKeepsTheRestFirst)
{
    settings.setDetectionMode(AIDetectionMode::aiReview);
    settings.setMaxAIReviewsPerBatch(2);
    QList<QuestionReviewItem> items;
    for (qint64 q = 1; q <= 5; ++q) {
        client.crops[q] = suggestion(QStringLiteral("A"), 0.5);
        items << reviewItem(1, q);
    }
    AIStepResult result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));

    EXPECT_EQ(client.cropCalls, (QList<qint64>{1, 2}));
    ASSERT_EQ(result.reviewItems.size(), 5);
    EXPECT_EQ(result.reviewItems.mid(0, 3), items.mid(2));
    EXPECT_EQ(result.reviewItems[3].questionNumber, 1);
    EXPECT_EQ(result.reviewItems[3].enteredText, QStringLiteral("A"));
    EXPECT_EQ(result.reviewItems[4].questionNumber, 2);
    EXPECT_EQ(result.status.attemptCount, 2);

    // A negative limit stored by other means sends nothing.
    settings.setMaxAIReviewsPerBatch(-4);
    result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));
    EXPECT_EQ(client.cropCalls.size(), 2);
    EXPECT_EQ(result.reviewItems, items);
    EXPECT_EQ(result.status.message, QStringLiteral("AI had no uncertain answers to check."));
}

TEST_F(AIOrchestrationTest, CropsGoFourAtATimeWithProgressTexts)
{
    settings.setDetectionMode(AIDetectionMode::hybrid);
    client.delay = 15ms;
    QList<QuestionReviewItem> items;
    for (qint64 q = 1; q <= 10; ++q) {
        items << reviewItem(1, q);
        client.crops[q] =
            suggestion(QStringLiteral("Yes"), q == 2 || q == 3 || q == 5 ? 0.99 : 0.5);
    }
    // The first of the first group finishes last; results come in finishing order.
    client.finishAfter[1] = {2, 3, 4};

    const AIStepResult result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));

    EXPECT_EQ(client.maxInFlight, 4);
    const QStringList messages = publishedMessages();
    const QStringList groups = messages.filter(QStringLiteral("AI is checking review images"));
    EXPECT_EQ(groups, (QStringList{QStringLiteral("AI is checking review images 1-4 of 10..."),
                                   QStringLiteral("AI is checking review images 5-8 of 10..."),
                                   QStringLiteral("AI is checking review images 9-10 of 10...")}));
    EXPECT_EQ(messages.first(), QStringLiteral("AI is checking uncertain answers..."));
    EXPECT_TRUE(messages.contains(QStringLiteral("AI checked 7 of 10 review images...")));
    EXPECT_EQ(result.status, (AIStepStatus{QStringLiteral("AI checked 10 review images and "
                                                          "auto-filled 3."),
                                           10, 3, 0}));
    EXPECT_EQ(result.responses[0].answers.mid(0, 5),
              (QStringList{QStringLiteral("N/A"), QStringLiteral("Yes"), QStringLiteral("Yes"),
                           QStringLiteral("N/A"), QStringLiteral("Yes")}));
    // Question 1 finished last in its group, so it follows question 4.
    QList<qint64> order;
    for (const QuestionReviewItem& item : result.reviewItems)
        order << item.questionNumber;
    EXPECT_EQ(order, (QList<qint64>{4, 1, 6, 7, 8, 9, 10}));
}

TEST_F(AIOrchestrationTest, FailedCropsStayInReviewWithTheErrorText)
{
    client.crops[1] = QStringLiteral("Rate limit reached.");
    client.crops[2] = QStringLiteral("Rate limit reached.");
    const AIStepResult result = runTask(
        applyAIEnhancements(context(), {response(1, 14)}, {reviewItem(1, 1), reviewItem(1, 2)}));
    ASSERT_EQ(result.reviewItems.size(), 2);
    EXPECT_EQ(result.reviewItems[0].reviewNote,
              QStringLiteral("AI could not verify this answer: Rate limit reached."));
    EXPECT_EQ(settings.lastErrorMessage(), QStringLiteral("Rate limit reached."));
    EXPECT_EQ(result.status, (AIStepStatus{QStringLiteral("AI tried 2 review images, but every "
                                                          "request failed."),
                                           2, 0, 2}));
}

TEST_F(AIOrchestrationTest, SkipsWithTheReasonAndSendsNothing)
{
    const QList<QuestionReviewItem> items{reviewItem(1, 1)};
    const auto run = [&] {
        return runTask(applyAIEnhancements(context(), {response(1, 14)}, items));
    };
    settings.setDetectionMode(AIDetectionMode::localOnly);
    EXPECT_EQ(run().status.message, QStringLiteral("AI skipped. Local-only mode is selected."));
    settings.setDetectionMode(AIDetectionMode::hybrid);
    settings.setSendsImagesToOpenAI(false);
    EXPECT_EQ(run().status.message, QStringLiteral("AI skipped. Image sending is disabled."));
    settings.removeAPIKey();
    const AIStepResult result = run();
    EXPECT_EQ(result.status.message, QStringLiteral("AI skipped. No OpenAI API key is saved."));
    EXPECT_EQ(result.reviewItems, items);
    EXPECT_TRUE(client.cropCalls.isEmpty());
}
