#include "RunTask.h"
#include "ScriptedAIClient.h"

#include "ai/AIOrchestration.h"
#include "ai/AIReviewRules.h"
#include "ai/AISettingsStore.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kKey = QStringLiteral("sk-orchestration-test-key-123456");

SurveyTemplateField field(qint64 number, SurveyDetectionMode mode, const QString& options = {})
{
    return SurveyTemplateField{number, QStringLiteral("Prompt %1").arg(number), mode, options};
}

QuestionReviewItem reviewItem(qint64 survey, qint64 question, const QString& suggested = {})
{
    QuestionReviewItem item;
    item.surveyNumber = survey;
    item.pageNumber = survey;
    item.questionNumber = question;
    item.prompt = QStringLiteral("Prompt %1").arg(question);
    item.suggestedText = suggested;
    item.confidence = 0.4;
    item.imageURL = QUrl::fromLocalFile(QStringLiteral("/nonexistent/crop-%1.png").arg(question));
    return item;
}

SurveyResponse response(qint64 survey, qint64 count, const QString& fill = QStringLiteral("N/A"))
{
    return SurveyResponse{survey, QDateTime::fromSecsSinceEpoch(1'700'000'000),
                          QStringList(count, fill)};
}

AIAnswerSuggestion suggestion(const QString& answer, double confidence, bool needsReview = false,
                              const QString& rationale = {})
{
    return AIAnswerSuggestion{answer, confidence, needsReview, rationale};
}

AIPageAnswer pageAnswer(qint64 question, const QString& answer, double confidence,
                        bool visible = true, const QString& rationale = {})
{
    return AIPageAnswer{question, answer, confidence, confidence < 0.9, visible, rationale};
}

class AIOrchestrationTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    AISettingsStore settings{dir.filePath(QStringLiteral("prefs.ini"))};
    ScriptedAIClient client;
    QList<AIStepStatus> published;

    void SetUp() override
    {
        settings.saveAPIKey(kKey);
        settings.setClient(&client);
    }

    AIStepContext context(QList<SurveyTemplateField> fields = {})
    {
        AIStepContext context;
        context.settings = &settings;
        context.client = &client;
        if (!fields.isEmpty())
            context.configuration.templateFields = fields;
        context.status = resetAIStatus(settings);
        context.publish = [this](const AIStepStatus& status) { published << status; };
        context.reviewFolder = dir.filePath(QStringLiteral("review"));
        return context;
    }

    QStringList publishedMessages() const
    {
        QStringList messages;
        for (const AIStepStatus& status : published)
            messages << status.message;
        return messages;
    }

    QUrl writePage(const QString& name, QSize size)
    {
        QImage page(size, QImage::Format_RGB32);
        page.fill(Qt::white);
        const QString path = dir.filePath(name);
        page.save(path, "PNG");
        return QUrl::fromLocalFile(path);
    }

    ScanPage page(qint64 survey, qint64 number, QUrl file)
    {
        ScanPage page;
        page.surveyNumber = survey;
        page.pageNumber = number;
        page.fileURL = std::move(file);
        return page;
    }
};

} // namespace

// ---- Hybrid and AI Review ----

TEST_F(AIOrchestrationTest, HybridWritesConfidentAnswersEvenWhenFlagged)
{
    settings.setDetectionMode(AIDetectionMode::hybrid);
    client.crops[3] = suggestion(QStringLiteral("B"), 0.95, true);
    client.crops[4] = suggestion(QStringLiteral("C"), 0.80, false, QStringLiteral("faint tick"));

    const AIStepResult result = aitest::run(applyAIEnhancements(
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

    const AIStepResult result = aitest::run(applyAIEnhancements(
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

TEST(ReviewNote, EachConfidenceCase)
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
        {suggestion(QStringLiteral("B"), 0.95, true), "AI flagged this answer for review."},
        {suggestion(QStringLiteral("B"), 0.95, true, QStringLiteral("two ticks")),
         "AI flagged this answer for review: two ticks"},
        {suggestion(QStringLiteral("B"), 0.92), "AI suggested this answer for review."},
        {suggestion(QStringLiteral("B"), 0.97, false, QStringLiteral("clear circle")),
         "AI note: clear circle"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(reviewNote(row.suggestion, 0.92), QString::fromUtf8(row.note)) << row.note;
}

TEST(AutoApply, ModeThresholdAndBlankAnswers)
{
    EXPECT_TRUE(
        shouldAutoApply(suggestion(QStringLiteral("B"), 0.92), AIDetectionMode::hybrid, 0.92));
    EXPECT_TRUE(
        shouldAutoApply(suggestion(QStringLiteral("B"), 0.92), AIDetectionMode::aiFirst, 0.92));
    EXPECT_FALSE(
        shouldAutoApply(suggestion(QStringLiteral("B"), 1.0), AIDetectionMode::aiReview, 0.92));
    EXPECT_FALSE(
        shouldAutoApply(suggestion(QStringLiteral("B"), 0.919), AIDetectionMode::hybrid, 0.92));
    EXPECT_FALSE(
        shouldAutoApply(suggestion(QStringLiteral(" n/A "), 1.0), AIDetectionMode::hybrid, 0.92));
    EXPECT_FALSE(
        shouldAutoApply(suggestion(QStringLiteral("  "), 1.0), AIDetectionMode::hybrid, 0.92));
}

TEST(AIAnswerWriting, PadsShortResponsesAndIgnoresUnknownSurveys)
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
    for (qint64 q = 1; q <= 5; ++q)
        client.crops[q] = suggestion(QStringLiteral("A"), 0.5);
    QList<QuestionReviewItem> items;
    for (qint64 q = 1; q <= 5; ++q)
        items << reviewItem(1, q);

    const AIStepResult result =
        aitest::run(applyAIEnhancements(context(), {response(1, 14)}, items));

    EXPECT_EQ(client.cropCalls, (QList<qint64>{1, 2}));
    ASSERT_EQ(result.reviewItems.size(), 5);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(result.reviewItems[i], items[i + 2]);
    EXPECT_EQ(result.reviewItems[3].questionNumber, 1);
    EXPECT_EQ(result.reviewItems[3].enteredText, QStringLiteral("A"));
    EXPECT_EQ(result.reviewItems[4].questionNumber, 2);
    EXPECT_EQ(result.status.attemptCount, 2);
}

TEST_F(AIOrchestrationTest, NegativeBatchLimitSendsNothing)
{
    settings.setMaxAIReviewsPerBatch(-4);
    const QList<QuestionReviewItem> items{reviewItem(1, 1), reviewItem(1, 2)};
    const AIStepResult result =
        aitest::run(applyAIEnhancements(context(), {response(1, 14)}, items));
    EXPECT_TRUE(client.cropCalls.isEmpty());
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
    client.cropDelays[1] = 60ms;

    const AIStepResult result =
        aitest::run(applyAIEnhancements(context(), {response(1, 14)}, items));

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
    const AIStepResult result = aitest::run(
        applyAIEnhancements(context(), {response(1, 14)}, {reviewItem(1, 1), reviewItem(1, 2)}));
    ASSERT_EQ(result.reviewItems.size(), 2);
    EXPECT_EQ(result.reviewItems[0].reviewNote,
              QStringLiteral("AI could not verify this answer: Rate limit reached."));
    EXPECT_EQ(settings.lastErrorMessage(), QStringLiteral("Rate limit reached."));
    EXPECT_EQ(result.status, (AIStepStatus{QStringLiteral("AI tried 2 review images, but every "
                                                          "request failed."),
                                           2, 0, 2}));

    EXPECT_EQ(resetAIStatus(settings),
              (AIStepStatus{QStringLiteral("AI has not run for this batch."), 0, 0, 0}));
    EXPECT_FALSE(settings.lastErrorMessage().has_value());
}

TEST_F(AIOrchestrationTest, SkipsWithTheReasonAndSendsNothing)
{
    const QList<QuestionReviewItem> items{reviewItem(1, 1)};
    const auto run = [&] {
        return aitest::run(applyAIEnhancements(context(), {response(1, 14)}, items));
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

TEST(AIStepStartMessage, ByModeAndAvailability)
{
    EXPECT_EQ(aiStepStartMessage(AIDetectionMode::aiFirst, true),
              QStringLiteral("AI First is reading each scanned page..."));
    EXPECT_EQ(aiStepStartMessage(AIDetectionMode::aiFirst, false),
              QStringLiteral("AI First needs an API key. Continuing with local review."));
    EXPECT_EQ(aiStepStartMessage(AIDetectionMode::aiReview, true),
              QStringLiteral("Using AI to verify uncertain answers..."));
    EXPECT_EQ(aiStepStartMessage(AIDetectionMode::hybrid, false),
              QStringLiteral("AI is enabled, but no API key is saved. Continuing with local "
                             "review."));
    EXPECT_TRUE(aiStepStartMessage(AIDetectionMode::localOnly, true).isEmpty());
}

// ---- AI First ----

TEST_F(AIOrchestrationTest, AIFirstFillsByThresholdAndSkipsInvisibleAnswers)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    const QList<SurveyTemplateField> fields{
        field(1, SurveyDetectionMode::singleChoice, QStringLiteral("Yes\nNo")),
        field(2, SurveyDetectionMode::written), field(3, SurveyDetectionMode::written),
        field(4, SurveyDetectionMode::singleChoice, QStringLiteral("A\nB")),
        field(5, SurveyDetectionMode::singleChoice, QStringLiteral("A\nB"))};
    const QUrl file = writePage(QStringLiteral("page-1.png"), QSize(850, 1100));
    client.pages[file] = QList<AIPageAnswer>{
        pageAnswer(1, QStringLiteral("Yes"), 0.93),
        pageAnswer(2, QStringLiteral("Blue bike"), 0.99, true, QStringLiteral("messy hand")),
        pageAnswer(3, QStringLiteral("Red car"), 0.995),
        pageAnswer(4, QStringLiteral("B"), 1.0, false), pageAnswer(5, QStringLiteral("n/a"), 1.0)};

    AIStepContext ctx = context(fields);
    ctx.configuration.questionCount = 5;
    const AIStepResult result = aitest::run(applyAIFirstPageExtraction(
        ctx, {response(1, 5, QStringLiteral("local"))}, {page(1, 1, file)}, {}));

    EXPECT_EQ(result.responses[0].answers,
              (QStringList{QStringLiteral("Yes"), QStringLiteral("N/A"), QStringLiteral("Red car"),
                           QStringLiteral("N/A"), QStringLiteral("N/A")}));
    ASSERT_EQ(result.reviewItems.size(), 2);
    const QuestionReviewItem& written = result.reviewItems[0];
    EXPECT_EQ(written.questionNumber, 2);
    EXPECT_EQ(written.prompt, QStringLiteral("Prompt 2"));
    EXPECT_EQ(written.suggestedText, QStringLiteral("Blue bike"));
    EXPECT_EQ(written.enteredText, QStringLiteral("Blue bike"));
    EXPECT_EQ(written.reviewNote, QStringLiteral("AI First review: messy hand"));
    const QuestionReviewItem& blank = result.reviewItems[1];
    EXPECT_EQ(blank.questionNumber, 5);
    EXPECT_EQ(blank.suggestedText, QStringLiteral("n/a"));
    EXPECT_EQ(blank.enteredText, QStringLiteral("n/a"));
    EXPECT_EQ(blank.reviewNote,
              QStringLiteral("AI First was not confident enough. Review required."));
    EXPECT_EQ(result.status, (AIStepStatus{QStringLiteral("AI First read 1 pages and auto-filled "
                                                          "2 answers."),
                                           1, 2, 0}));
    EXPECT_EQ(client.pageFieldNumbers.value(0), (QList<qint64>{1, 2, 3, 4, 5}));
}

TEST_F(AIOrchestrationTest, AIFirstPagesGoOneAtATimeInPageOrder)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    client.delay = 5ms;
    const QUrl first = writePage(QStringLiteral("a.png"), QSize(85, 110));
    const QUrl second = writePage(QStringLiteral("b.png"), QSize(85, 110));
    client.pages[first] = QList<AIPageAnswer>{pageAnswer(1, QStringLiteral("Yes"), 0.99)};
    client.pages[second] = QList<AIPageAnswer>{pageAnswer(2, QStringLiteral("No"), 0.99)};
    const AIStepResult result = aitest::run(
        applyAIFirstPageExtraction(context({field(1, SurveyDetectionMode::singleChoice),
                                            field(2, SurveyDetectionMode::singleChoice)}),
                                   {response(1, 14)}, {page(1, 2, second), page(1, 1, first)}, {}));
    EXPECT_EQ(client.pageCalls, (QList<QUrl>{first, second}));
    EXPECT_EQ(client.maxInFlight, 1);
    EXPECT_TRUE(publishedMessages().contains(QStringLiteral("AI First is reading page 2 of 2...")));
    EXPECT_EQ(publishedMessages().value(0),
              QStringLiteral("AI First is reading 2 scanned pages..."));
    EXPECT_EQ(result.responses[0].answers.mid(0, 3),
              (QStringList{QStringLiteral("Yes"), QStringLiteral("No"), QStringLiteral("N/A")}));
}

TEST_F(AIOrchestrationTest, AIFirstWithEveryPageFailingSendsEveryQuestionToReview)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    const QList<SurveyTemplateField> fields{field(2, SurveyDetectionMode::singleChoice),
                                            field(1, SurveyDetectionMode::written)};
    QList<ScanPage> pages;
    for (int i = 1; i <= 3; ++i) {
        pages << page(i, i, writePage(QStringLiteral("p%1.png").arg(i), QSize(85, 110)));
        client.pages[pages.last().fileURL] = QStringLiteral("The request timed out.");
    }
    const AIStepResult result = aitest::run(applyAIFirstPageExtraction(
        context(fields), {response(1, 14), response(2, 14), response(3, 14)}, pages, {}));

    EXPECT_EQ(result.status, (AIStepStatus{QStringLiteral("AI First tried 3 pages, but every "
                                                          "request failed."),
                                           3, 0, 3}));
    ASSERT_EQ(result.reviewItems.size(), 6);
    const QuestionReviewItem& item = result.reviewItems[3];
    EXPECT_EQ(item.surveyNumber, 2);
    EXPECT_EQ(item.questionNumber, 2); // fields sorted by number
    EXPECT_EQ(item.suggestedText, QStringLiteral("N/A"));
    EXPECT_EQ(item.imageURL, pages[1].fileURL);
    EXPECT_EQ(item.reviewNote,
              QStringLiteral("AI First could not read this page: The request timed out."));
    EXPECT_EQ(settings.lastErrorMessage(), QStringLiteral("The request timed out."));
    for (const SurveyResponse& r : result.responses)
        EXPECT_EQ(r.answers, QStringList(14, QStringLiteral("N/A")));
}

TEST_F(AIOrchestrationTest, AIFirstUsesTheLocalCropWhenItExists)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    const QUrl file = writePage(QStringLiteral("portrait.png"), QSize(255, 330));
    const QUrl localCrop = writePage(QStringLiteral("survey-4-page-7-q-1.png"), QSize(40, 20));
    client.pages[file] =
        QList<AIPageAnswer>{pageAnswer(1, QString(), 0.2), pageAnswer(2, QStringLiteral("B"), 0.2),
                            pageAnswer(3, QStringLiteral("C"), 0.2)};
    QuestionReviewItem local1 = reviewItem(4, 1);
    local1.pageNumber = 7;
    local1.imageURL = localCrop;
    QuestionReviewItem local2 = reviewItem(4, 2); // its crop was never written
    local2.pageNumber = 7;
    const QList<SurveyTemplateField> fields{field(1, SurveyDetectionMode::singleChoice),
                                            field(2, SurveyDetectionMode::singleChoice),
                                            field(3, SurveyDetectionMode::singleChoice)};

    const AIStepResult result = aitest::run(applyAIFirstPageExtraction(
        context(fields), {response(4, 14)}, {page(4, 7, file)}, {local1, local2}));

    ASSERT_EQ(result.reviewItems.size(), 3);
    EXPECT_EQ(result.reviewItems[0].imageURL, localCrop);
    EXPECT_EQ(result.reviewItems[0].suggestedText, QStringLiteral("N/A"));
    EXPECT_TRUE(result.reviewItems[0].enteredText.isEmpty());
    const QImage approximate(result.reviewItems[1].imageURL.toLocalFile());
    EXPECT_EQ(result.reviewItems[1].imageURL.fileName(),
              QStringLiteral("ai-survey-4-page-7-q-2.png"));
    // Portrait 255 x 330 in three bands of 110, widened by 80: rows 30 to 300.
    EXPECT_EQ(approximate.size(), QSize(255, 270));
}

TEST_F(AIOrchestrationTest, AIFirstWithoutUsableAIKeepsTheReadersWork)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    settings.removeAPIKey();
    QuestionReviewItem local = reviewItem(1, 2, QStringLiteral("B"));
    local.reviewNote = QStringLiteral("AI First will verify this question.");
    const QList<SurveyResponse> read{response(1, 14, QStringLiteral("A"))};
    const QUrl file = writePage(QStringLiteral("page.png"), QSize(85, 110));

    AIStepResult result =
        aitest::run(applyAIFirstPageExtraction(context(), read, {page(1, 1, file)}, {local}));
    EXPECT_EQ(result.responses, read);
    ASSERT_EQ(result.reviewItems.size(), 1);
    EXPECT_EQ(result.reviewItems[0].suggestedText, QStringLiteral("B"));
    EXPECT_FALSE(result.reviewItems[0].reviewNote.has_value());
    EXPECT_EQ(result.status.message,
              QStringLiteral("AI First skipped. No OpenAI API key is saved."));

    settings.saveAPIKey(kKey);
    settings.setSendsImagesToOpenAI(false);
    result = aitest::run(applyAIFirstPageExtraction(context(), read, {page(1, 1, file)}, {local}));
    EXPECT_EQ(result.status.message, QStringLiteral("AI First skipped."));
    EXPECT_EQ(result.responses, read);
    EXPECT_TRUE(client.pageCalls.isEmpty());
}

TEST_F(AIOrchestrationTest, AIFirstWithNoPages)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    const AIStepResult result =
        aitest::run(applyAIFirstPageExtraction(context(), {response(1, 14)}, {}, {}));
    EXPECT_EQ(result.status,
              (AIStepStatus{QStringLiteral("AI First read 0 pages and auto-filled 0 answers."), 0,
                            0, 0}));
    EXPECT_TRUE(result.reviewItems.isEmpty());
}

TEST(BlankedAIResponses, CoverTheLargerOfQuestionCountAndFieldNumbers)
{
    SurveyConfiguration configuration;
    configuration.questionCount = 3;
    configuration.templateFields = {field(1, SurveyDetectionMode::singleChoice),
                                    field(6, SurveyDetectionMode::written)};
    const SurveyResponse read = response(5, 3, QStringLiteral("Yes"));
    const QList<SurveyResponse> blanked = blankedAIResponses({read}, configuration);
    ASSERT_EQ(blanked.size(), 1);
    EXPECT_EQ(blanked[0].surveyNumber, 5);
    EXPECT_EQ(blanked[0].capturedAt, read.capturedAt);
    EXPECT_EQ(blanked[0].answers, QStringList(6, QStringLiteral("N/A")));
    configuration.questionCount = 0;
    configuration.templateFields.clear();
    EXPECT_EQ(blankedAIResponses({read}, configuration)[0].answers.size(), 1);
}

TEST(LocalReviewImageMap, FirstItemOfAKeyWins)
{
    QuestionReviewItem a = reviewItem(3, 12);
    a.pageNumber = 5;
    QuestionReviewItem b = a;
    b.imageURL = QUrl::fromLocalFile(QStringLiteral("/other.png"));
    const QHash<QString, QUrl> map = localReviewImageMap({a, b});
    EXPECT_EQ(reviewKey(3, 5, 12), QStringLiteral("3-5-12"));
    EXPECT_EQ(map.size(), 1);
    EXPECT_EQ(map.value(QStringLiteral("3-5-12")), a.imageURL);
}
