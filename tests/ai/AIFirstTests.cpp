#include "AIStepFixture.h"

using namespace aisteps;
using namespace std::chrono_literals;

TEST_F(AIOrchestrationTest, AIFirstFillsByThresholdAndSkipsInvisibleAnswers)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    QList<SurveyTemplateField> fields = choiceFields(5);
    fields[1].detectionMode = fields[2].detectionMode = SurveyDetectionMode::written;
    const ScanPage scanned = page(1, 1, QSize(850, 1100));
    client.pages[scanned.fileURL] = QList<AIPageAnswer>{
        pageAnswer(1, "Yes", 0.93), pageAnswer(2, "Blue bike", 0.99, true, "messy hand"),
        pageAnswer(3, "Red car", 0.995), pageAnswer(4, "B", 1.0, false), pageAnswer(5, "n/a", 1.0)};

    AIStepContext ctx = context(fields);
    ctx.configuration.questionCount = 5;
    const AIStepResult result =
        runTask(applyAIFirstPageExtraction(ctx, {response(1, 5, "local")}, {scanned}, {}));

    // Choices fill from 0.92, written answers only from 0.995; "n/a" and
    // unseen questions stay blank.
    EXPECT_EQ(result.responses[0].answers, (QStringList{"Yes", "N/A", "Red car", "N/A", "N/A"}));
    EXPECT_EQ(lines(result.reviewItems),
              (QStringList{"Q2 Blue bike|Blue bike|AI First review: messy hand",
                           "Q5 n/a|n/a|AI First was not confident enough. Review required."}));
    EXPECT_EQ(result.reviewItems.value(0).prompt, "Prompt 2");
    EXPECT_EQ(result.status,
              (AIStepStatus{"AI First read 1 pages and auto-filled 2 answers.", 1, 2, 0}));
    EXPECT_EQ(client.pageFieldNumbers.value(0), (QList<qint64>{1, 2, 3, 4, 5}));
}

TEST_F(AIOrchestrationTest, AIFirstPagesGoOneAtATimeInPageOrder)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    client.delay = 5ms;
    const ScanPage first = page(1, 1), second = page(1, 2);
    client.pages[first.fileURL] = QList<AIPageAnswer>{pageAnswer(1, "Yes", 0.99)};
    client.pages[second.fileURL] = QList<AIPageAnswer>{pageAnswer(2, "No", 0.99)};
    const AIStepResult result = runTask(applyAIFirstPageExtraction(
        context(choiceFields(2)), {response(1, 14)}, {second, first}, {}));
    EXPECT_EQ(client.pageCalls, (QList<QUrl>{first.fileURL, second.fileURL}));
    EXPECT_EQ(client.maxInFlight, 1);
    EXPECT_EQ(publishedMessages().value(0), "AI First is reading 2 scanned pages...");
    EXPECT_TRUE(publishedMessages().contains("AI First is reading page 2 of 2..."));
    EXPECT_EQ(result.responses[0].answers.mid(0, 3), (QStringList{"Yes", "No", "N/A"}));

    const AIStepResult none =
        runTask(applyAIFirstPageExtraction(context(), {response(1, 14)}, {}, {}));
    EXPECT_EQ(none.status,
              (AIStepStatus{"AI First read 0 pages and auto-filled 0 answers.", 0, 0, 0}));
}

TEST_F(AIOrchestrationTest, AIFirstWithEveryPageFailingSendsEveryQuestionToReview)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    const QList<SurveyTemplateField> fields{field(2, SurveyDetectionMode::singleChoice),
                                            field(1, SurveyDetectionMode::written)};
    const QList<ScanPage> pages{page(1, 1), page(2, 2), page(3, 3)};
    client.anyPage = QStringLiteral("The request timed out.");
    const AIStepResult result = runTask(applyAIFirstPageExtraction(
        context(fields), {response(1, 14), response(2, 14), response(3, 14)}, pages, {}));

    EXPECT_EQ(result.status,
              (AIStepStatus{"AI First tried 3 pages, but every request failed.", 3, 0, 3}));
    ASSERT_EQ(result.reviewItems.size(), 6);
    const QuestionReviewItem& item = result.reviewItems[3];
    EXPECT_EQ(item.surveyNumber, 2);
    // Fields sorted by number; the page itself is the crop.
    EXPECT_EQ(lines({item}),
              QStringList{"Q2 N/A||AI First could not read this page: The request timed out."});
    EXPECT_EQ(item.imageURL, pages[1].fileURL);
    EXPECT_EQ(item.pageURL, pages[1].fileURL);
    EXPECT_EQ(settings.lastErrorMessage(), "The request timed out.");
    for (const SurveyResponse& r : result.responses)
        EXPECT_EQ(r.answers, QStringList(14, "N/A"));
}

TEST_F(AIOrchestrationTest, AIFirstUsesTheLocalCropWhenItExists)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    const ScanPage scanned = page(4, 7, QSize(255, 330));
    const QUrl localCrop = page(99, 1, QSize(40, 20)).fileURL;
    client.pages[scanned.fileURL] = QList<AIPageAnswer>{
        pageAnswer(1, QString(), 0.2), pageAnswer(2, "B", 0.2), pageAnswer(3, "C", 0.2)};
    QuestionReviewItem local1 = reviewItem(4, 1), local2 = reviewItem(4, 2);
    local1.pageNumber = local2.pageNumber = 7;
    local1.imageURL = localCrop; // local2's crop was never written

    const AIStepResult result = runTask(applyAIFirstPageExtraction(
        context(choiceFields(3)), {response(4, 14)}, {scanned}, {local1, local2}));

    ASSERT_EQ(result.reviewItems.size(), 3);
    EXPECT_EQ(result.reviewItems[0].imageURL, localCrop);
    EXPECT_EQ(lines(result.reviewItems).value(0).section('|', 0, 1), "Q1 N/A|");
    EXPECT_EQ(result.reviewItems[1].imageURL.fileName(), "ai-survey-4-page-7-q-2.png");
    // Portrait 255 x 330 in three bands of 110, widened by 80: rows 30 to 300.
    EXPECT_EQ(QImage(result.reviewItems[1].imageURL.toLocalFile()).size(), QSize(255, 270));
}

TEST_F(AIOrchestrationTest, AIFirstWithoutUsableAIKeepsTheReadersWork)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    settings.removeAPIKey();
    QuestionReviewItem local = reviewItem(1, 2, "B");
    local.reviewNote = QStringLiteral("AI First will verify this question.");
    const QList<SurveyResponse> read{response(1, 14, "A")};
    const ScanPage scanned = page(1, 1);

    AIStepResult result = runTask(applyAIFirstPageExtraction(context(), read, {scanned}, {local}));
    EXPECT_EQ(result.responses, read);
    EXPECT_EQ(lines(result.reviewItems), QStringList{"Q2 B||-"});
    EXPECT_EQ(result.status.message, "AI First skipped. No OpenAI API key is saved.");

    settings.saveAPIKey(kKey);
    settings.setSendsImagesToOpenAI(false);
    result = runTask(applyAIFirstPageExtraction(context(), read, {scanned}, {local}));
    EXPECT_EQ(result.status.message, "AI First skipped.");
    EXPECT_EQ(result.responses, read);
    EXPECT_TRUE(client.pageCalls.isEmpty());
}

TEST(AIReviewRules, BlankedResponsesCoverTheLargerOfQuestionCountAndFieldNumbers)
{
    SurveyConfiguration configuration;
    configuration.questionCount = 3;
    configuration.templateFields = {field(1, SurveyDetectionMode::singleChoice),
                                    field(6, SurveyDetectionMode::written)};
    const SurveyResponse read = response(5, 3, "Yes");
    const QList<SurveyResponse> blanked = blankedAIResponses({read}, configuration);
    EXPECT_EQ(blanked, (QList<SurveyResponse>{{5, read.capturedAt, QStringList(6, "N/A")}}));
    configuration.questionCount = 0;
    configuration.templateFields.clear();
    EXPECT_EQ(blankedAIResponses({read}, configuration)[0].answers.size(), 1);
}
