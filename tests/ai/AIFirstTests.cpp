#include "AIStepFixture.h"

using namespace aisteps;
using namespace std::chrono_literals;

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
    const AIStepResult result = runTask(applyAIFirstPageExtraction(
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
    const AIStepResult result = runTask(
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

    const AIStepResult none =
        runTask(applyAIFirstPageExtraction(context(), {response(1, 14)}, {}, {}));
    EXPECT_EQ(none.status,
              (AIStepStatus{QStringLiteral("AI First read 0 pages and auto-filled 0 answers."), 0,
                            0, 0}));
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
    const AIStepResult result = runTask(applyAIFirstPageExtraction(
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
    EXPECT_EQ(item.pageURL, pages[1].fileURL);
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

    const AIStepResult result = runTask(applyAIFirstPageExtraction(
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
        runTask(applyAIFirstPageExtraction(context(), read, {page(1, 1, file)}, {local}));
    EXPECT_EQ(result.responses, read);
    ASSERT_EQ(result.reviewItems.size(), 1);
    EXPECT_EQ(result.reviewItems[0].suggestedText, QStringLiteral("B"));
    EXPECT_FALSE(result.reviewItems[0].reviewNote.has_value());
    EXPECT_EQ(result.status.message,
              QStringLiteral("AI First skipped. No OpenAI API key is saved."));

    settings.saveAPIKey(kKey);
    settings.setSendsImagesToOpenAI(false);
    result = runTask(applyAIFirstPageExtraction(context(), read, {page(1, 1, file)}, {local}));
    EXPECT_EQ(result.status.message, QStringLiteral("AI First skipped."));
    EXPECT_EQ(result.responses, read);
    EXPECT_TRUE(client.pageCalls.isEmpty());
}

TEST(AIReviewRules, BlankedResponsesCoverTheLargerOfQuestionCountAndFieldNumbers)
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
