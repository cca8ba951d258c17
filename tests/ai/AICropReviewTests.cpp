#include "AIStepFixture.h"

using namespace aisteps;
using namespace std::chrono_literals;

TEST_F(AIOrchestrationTest, HybridWritesConfidentAnswersEvenWhenFlagged)
{
    settings.setDetectionMode(AIDetectionMode::hybrid);
    client.crops[3] = suggestion("B", 0.95, true);
    client.crops[4] = suggestion("C", 0.80, false, "faint tick");

    const AIStepResult result = runTask(applyAIEnhancements(
        context(), {response(1, 14)}, {reviewItem(1, 3, "A"), reviewItem(1, 4)}));

    EXPECT_EQ(result.responses[0].answers.mid(2, 2), (QStringList{"B", "N/A"}));
    EXPECT_EQ(lines(result.reviewItems), QStringList{"Q4 C|C|AI was 80% confident: faint tick"});
    EXPECT_DOUBLE_EQ(result.reviewItems.value(0).confidence, 0.80);
    EXPECT_EQ(result.status,
              (AIStepStatus{"AI checked 2 review images and auto-filled 1.", 2, 1, 0}));
    EXPECT_EQ(client.keys, QStringList(2, kKey));
}

TEST_F(AIOrchestrationTest, AIReviewOnlySuggests)
{
    settings.setDetectionMode(AIDetectionMode::aiReview);
    client.crops[1] = suggestion("Yes", 0.99);
    client.crops[2] = suggestion("No", 0.99, true);
    client.crops[5] = suggestion(QString(), 0.99);

    const AIStepResult result = runTask(
        applyAIEnhancements(context(), {response(1, 14)},
                            {reviewItem(1, 1), reviewItem(1, 2), reviewItem(1, 5, "local")}));

    EXPECT_EQ(result.responses[0].answers, QStringList(14, "N/A"));
    // An empty answer leaves the local suggestion in place.
    EXPECT_EQ(lines(result.reviewItems).mid(0, 2),
              (QStringList{"Q1 Yes|Yes|AI suggested this answer for review.",
                           "Q2 No|No|AI flagged this answer for review."}));
    EXPECT_EQ(lines(result.reviewItems).value(2).section('|', 0, 1), "Q5 local|");
    EXPECT_EQ(result.status.autoAppliedCount, 0);
}

TEST(AIReviewRules, ReviewNoteAndAutoApplyForEachConfidenceCase)
{
    using enum AIDetectionMode;
    const struct
    {
        AIAnswerSuggestion suggestion;
        const char* note;
    } notes[] = {
        {suggestion("n/a", 1.0), "AI could not find a readable answer. Review required."},
        {suggestion("B", 0.874), "AI was only 87% confident. Review required."},
        {suggestion("B", 0.5, true, " smudged "), "AI was 50% confident: smudged"},
        {suggestion("B", 0.95, true, "two ticks"), "AI flagged this answer for review: two ticks"},
        {suggestion("B", 0.97, false, "clear circle"), "AI note: clear circle"},
    };
    for (const auto& row : notes)
        EXPECT_EQ(reviewNote(row.suggestion, 0.92), QString::fromUtf8(row.note)) << row.note;

    const struct
    {
        const char* answer;
        double confidence;
        AIDetectionMode mode;
        bool applied;
    } applies[] = {{"B", 0.92, hybrid, true},     {"B", 0.92, aiFirst, true},
                   {"B", 1.0, aiReview, false},   {"B", 0.919, hybrid, false},
                   {" n/A ", 1.0, hybrid, false}, {"  ", 1.0, hybrid, false}};
    for (const auto& row : applies)
        EXPECT_EQ(shouldAutoApply(suggestion(row.answer, row.confidence), row.mode, 0.92),
                  row.applied)
            << row.answer << " " << row.confidence;
}

TEST(AIReviewRules, AnswerWritingPadsShortResponsesAndIgnoresUnknownSurveys)
{
    QList<SurveyResponse> responses{response(2, 14, "x"), response(2, 3)};
    EXPECT_TRUE(applyAIAnswer(responses, 2, 16, "Yes"));
    EXPECT_EQ(responses[0].answers.mid(13), (QStringList{"x", "N/A", "Yes"}));
    EXPECT_EQ(responses[1].answers.size(), 3); // only the first response of the survey
    EXPECT_FALSE(applyAIAnswer(responses, 9, 1, "Yes"));
    EXPECT_FALSE(applyAIAnswer(responses, 2, 0, "Yes"));
    EXPECT_EQ(responses[0].answers.size(), 16);
}

TEST_F(AIOrchestrationTest, BatchLimitSendsTheFirstItemsAndKeepsTheRestFirst)
{
    settings.setDetectionMode(AIDetectionMode::aiReview);
    settings.setMaxAIReviewsPerBatch(2);
    QList<QuestionReviewItem> items;
    for (qint64 q = 1; q <= 5; ++q) {
        client.crops[q] = suggestion("A", 0.5);
        items << reviewItem(1, q);
    }
    AIStepResult result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));

    EXPECT_EQ(client.cropCalls, (QList<qint64>{1, 2}));
    ASSERT_EQ(result.reviewItems.size(), 5);
    EXPECT_EQ(result.reviewItems.mid(0, 3), items.mid(2));
    EXPECT_EQ(mapped(result.reviewItems.mid(3), &QuestionReviewItem::enteredText),
              (QStringList{"A", "A"}));
    EXPECT_EQ(mapped(result.reviewItems.mid(3), &QuestionReviewItem::questionNumber),
              (QList<qint64>{1, 2}));
    EXPECT_EQ(result.status.attemptCount, 2);

    // A negative limit stored by other means sends nothing.
    settings.setMaxAIReviewsPerBatch(-4);
    result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));
    EXPECT_EQ(client.cropCalls.size(), 2);
    EXPECT_EQ(result.reviewItems, items);
    EXPECT_EQ(result.status.message, "AI had no uncertain answers to check.");
}

TEST_F(AIOrchestrationTest, CropsGoFourAtATimeWithProgressTexts)
{
    settings.setDetectionMode(AIDetectionMode::hybrid);
    client.delay = 15ms;
    QList<QuestionReviewItem> items;
    for (qint64 q = 1; q <= 10; ++q) {
        items << reviewItem(1, q);
        client.crops[q] = suggestion("Yes", q == 2 || q == 3 || q == 5 ? 0.99 : 0.5);
    }
    // The first of the first group finishes last; results come in finishing order.
    client.finishAfter[1] = {2, 3, 4};

    const AIStepResult result = runTask(applyAIEnhancements(context(), {response(1, 14)}, items));

    EXPECT_EQ(client.maxInFlight, 4);
    const QStringList messages = publishedMessages();
    EXPECT_EQ(messages.filter("AI is checking review images"),
              (QStringList{"AI is checking review images 1-4 of 10...",
                           "AI is checking review images 5-8 of 10...",
                           "AI is checking review images 9-10 of 10..."}));
    EXPECT_EQ(messages.first(), "AI is checking uncertain answers...");
    EXPECT_TRUE(messages.contains("AI checked 7 of 10 review images..."));
    EXPECT_EQ(result.status,
              (AIStepStatus{"AI checked 10 review images and auto-filled 3.", 10, 3, 0}));
    EXPECT_EQ(result.responses[0].answers.mid(0, 5),
              (QStringList{"N/A", "Yes", "Yes", "N/A", "Yes"}));
    // Question 1 finished last in its group, so it follows question 4.
    EXPECT_EQ(mapped(result.reviewItems, &QuestionReviewItem::questionNumber),
              (QList<qint64>{4, 1, 6, 7, 8, 9, 10}));
}

TEST_F(AIOrchestrationTest, FailedCropsStayInReviewWithTheErrorText)
{
    client.crops[1] = client.crops[2] = QStringLiteral("Rate limit reached.");
    const AIStepResult result = runTask(
        applyAIEnhancements(context(), {response(1, 14)}, {reviewItem(1, 1), reviewItem(1, 2)}));
    ASSERT_EQ(result.reviewItems.size(), 2);
    EXPECT_EQ(result.reviewItems[0].reviewNote,
              "AI could not verify this answer: Rate limit reached.");
    EXPECT_EQ(settings.lastErrorMessage(), "Rate limit reached.");
    EXPECT_EQ(result.status,
              (AIStepStatus{"AI tried 2 review images, but every request failed.", 2, 0, 2}));
}

TEST_F(AIOrchestrationTest, SkipsWithTheReasonAndSendsNothing)
{
    const QList<QuestionReviewItem> items{reviewItem(1, 1)};
    const auto run = [&] {
        return runTask(applyAIEnhancements(context(), {response(1, 14)}, items));
    };
    settings.setDetectionMode(AIDetectionMode::localOnly);
    EXPECT_EQ(run().status.message, "AI skipped. Local-only mode is selected.");
    settings.setDetectionMode(AIDetectionMode::hybrid);
    settings.setSendsImagesToOpenAI(false);
    EXPECT_EQ(run().status.message, "AI skipped. Image sending is disabled.");
    settings.removeAPIKey();
    const AIStepResult result = run();
    EXPECT_EQ(result.status.message, "AI skipped. No OpenAI API key is saved.");
    EXPECT_EQ(result.reviewItems, items);
    EXPECT_TRUE(client.cropCalls.isEmpty());
}
