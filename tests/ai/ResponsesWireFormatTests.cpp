#include "ai/AIAnswerAnalysisService.h"
#include "ai/OpenAIAnswerAnalysisService.h"
#include "ai/ResponsesWireFormat.h"
#include "ai/UploadImage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

using Kind = OpenAIAnswerAnalysisError::Kind;

template <typename F> std::optional<Kind> errorKindOf(F&& call)
{
    try {
        call();
    } catch (const OpenAIAnswerAnalysisError& error) {
        return error.kind();
    }
    return std::nullopt;
}

SurveyTemplateField field(qint64 number, const QString& prompt, SurveyDetectionMode mode,
                          const QString& options)
{
    return SurveyTemplateField{number, prompt, mode, options};
}

} // namespace

TEST(CropPrompt, NamesTheQuestionTypeChoicesAndLocalSuggestion)
{
    QuestionReviewItem item;
    item.questionNumber = 7;
    item.prompt = QStringLiteral("Favourite subject");
    item.suggestedText = QStringLiteral("Math");
    const QString expected = QStringLiteral(
        "You are reading a cropped paper survey answer. Return only compact JSON with keys "
        "answer, confidence, needsReview, rationale.\n"
        "Question 7: Favourite subject\n"
        "Detection type: Checkboxes\n"
        "Allowed answers: Math | Art | Music. Choose only from this list unless the image clearly "
        "shows a written Other answer.\n"
        "Existing local suggestion: Math\n"
        "Rules:\n"
        "- If the selected answer is clear, set confidence from 0.90 to 1.0.\n"
        "- If two answers appear selected or the crop is unclear, set needsReview true.\n"
        "- If no answer is visible or the crop is not readable, answer \"N/A\" and set "
        "needsReview true.\n"
        "- For checkbox questions, separate multiple selected answers with semicolons.\n"
        "- Do not include markdown, comments, or any text outside the JSON object.");
    EXPECT_EQ(
        cropPrompt(item, field(7, QStringLiteral("ignored"), SurveyDetectionMode::multipleChoice,
                               QStringLiteral("Math; Art\nMusic"))),
        expected);
}

TEST(CropPrompt, WithoutFieldOrOptionsAsksForTheWrittenAnswer)
{
    QuestionReviewItem item;
    item.questionNumber = 12;
    item.prompt = QStringLiteral("Comments");
    const QString prompt = cropPrompt(item, std::nullopt);
    const QStringList lines = prompt.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[2], QStringLiteral("Detection type: Unknown"));
    EXPECT_EQ(lines[3], QStringLiteral("No fixed answer choices are available. Read the visible "
                                       "written answer if possible."));
    EXPECT_EQ(lines[4], QStringLiteral("Existing local suggestion: none"));

    const QString written = cropPrompt(
        item, field(12, QStringLiteral("Comments"), SurveyDetectionMode::written, QString()));
    EXPECT_EQ(written.split(QLatin1Char('\n'))[2], QStringLiteral("Detection type: Written"));
    EXPECT_TRUE(written.split(QLatin1Char('\n'))[3].startsWith(QStringLiteral("No fixed")));
}

TEST(PagePrompt, ListsEveryFieldInNumberOrder)
{
    const QList<SurveyTemplateField> fields{
        field(3, QStringLiteral("Comments"), SurveyDetectionMode::written, QString()),
        field(1, QStringLiteral("I am:"), SurveyDetectionMode::singleChoice,
              QStringLiteral("Male\nFemale")),
        field(2, QStringLiteral("Section B"), SurveyDetectionMode::ignore, QString())};
    const QString expected = QStringLiteral(
        "You are reading one scanned page of a paper survey. The page may be rotated. Read only "
        "answers visible on this page.\n"
        "Return only JSON with this shape:\n"
        "{\"answers\":[{\"questionNumber\":1,\"answer\":\"Male\",\"confidence\":0.98,"
        "\"needsReview\":false,\"visible\":true,\"rationale\":\"circled\"}]}\n"
        "\n"
        "Survey template:\n"
        "Q1: I am: [Single choice] Choices: Male | Female\n"
        "Q2: Section B [Ignore] Choices: free response\n"
        "Q3: Comments [Written] Choices: free response\n"
        "\n"
        "Rules:\n"
        "- Use the provided question numbers exactly.\n"
        "- If a question is not visible on this page, include it with visible false, answer "
        "\"N/A\", confidence 0, needsReview false.\n"
        "- If visible but unreadable or ambiguous, set visible true, answer \"N/A\", low "
        "confidence, needsReview true.\n"
        "- For fixed choices, choose only from the listed choices unless a written Other answer "
        "is clearly visible.\n"
        "- For checkbox questions, separate multiple selected answers with semicolons.\n"
        "- Be conservative. Do not guess from nearby questions.\n"
        "- Do not include markdown or text outside the JSON object.");
    EXPECT_EQ(pagePrompt(fields), expected);
    EXPECT_TRUE(pagePrompt({}).contains(QStringLiteral("Survey template:\n\n\nRules:")));
}

TEST(RequestBody, HoldsOneUserInputWithTextThenImage)
{
    const QByteArray body = responsesRequestBody(QStringLiteral("gpt-5.5"), QStringLiteral("Hi ü"),
                                                 QStringLiteral("data:image/jpeg;base64,AAA/"));
    const QJsonObject root = QJsonDocument::fromJson(body).object();
    EXPECT_EQ(root.keys(), (QStringList{QStringLiteral("input"), QStringLiteral("model")}));
    EXPECT_EQ(root[QStringLiteral("model")].toString(), QStringLiteral("gpt-5.5"));
    const QJsonArray input = root[QStringLiteral("input")].toArray();
    ASSERT_EQ(input.size(), 1);
    EXPECT_EQ(input[0].toObject()[QStringLiteral("role")].toString(), QStringLiteral("user"));
    const QJsonArray content = input[0].toObject()[QStringLiteral("content")].toArray();
    ASSERT_EQ(content.size(), 2);
    EXPECT_EQ(content[0].toObject(),
              (QJsonObject{{QStringLiteral("type"), QStringLiteral("input_text")},
                           {QStringLiteral("text"), QStringLiteral("Hi ü")}}));
    EXPECT_EQ(content[1].toObject(),
              (QJsonObject{
                  {QStringLiteral("type"), QStringLiteral("input_image")},
                  {QStringLiteral("image_url"), QStringLiteral("data:image/jpeg;base64,AAA/")}}));
    const QJsonArray textOnly =
        QJsonDocument::fromJson(responsesRequestBody(QStringLiteral("m"), QStringLiteral("t")))
            .object()[QStringLiteral("input")]
            .toArray()[0]
            .toObject()[QStringLiteral("content")]
            .toArray();
    EXPECT_EQ(textOnly.size(), 1);
}

TEST(ReplyText, FirstPresentTextOfAnyTypeWins)
{
    EXPECT_EQ(responsesOutputText(R"({"output":[{"content":[{"type":"reasoning"},
        {"type":"output_text","text":"second"}]},{"content":[{"text":"third"}]}],"id":"x"})"),
              QStringLiteral("second"));
    EXPECT_EQ(responsesOutputText(R"({"output":[{"content":[]},{"content":[{"text":"b"}]}]})"),
              QStringLiteral("b"));
    for (const char* body :
         {"not json", "[]", R"({"id":"x"})", R"({"output":[{"content":[{"type":"x"}]}]})",
          R"({"output":[{"content":[{"text":"a"}]},{"role":"assistant"}]})",
          R"({"output":[{"content":[{"text":7}]}]})"}) {
        EXPECT_EQ(errorKindOf([&] { responsesOutputText(body); }), Kind::invalidResponse) << body;
    }
}

TEST(ReplyStatus, ErrorBodyMessageOrStatusText)
{
    EXPECT_EQ(
        failureMessageForStatus(429, R"({"error":{"message":"Rate limit reached.","type":"x"}})"),
        QStringLiteral("Rate limit reached."));
    EXPECT_EQ(failureMessageForStatus(500, "<html><body>Bad gateway</body></html>"),
              QStringLiteral("OpenAI request failed with status 500."));
    EXPECT_EQ(failureMessageForStatus(401, R"({"error":null})"),
              QStringLiteral("OpenAI request failed with status 401."));
    EXPECT_EQ(failureMessageForStatus(400, R"({"error":{"code":"bad"}})"),
              QStringLiteral("OpenAI request failed with status 400."));
}

TEST(ModelText, FencedOrChattyJSONIsFound)
{
    const QString chatty = QStringLiteral(
        "Sure! Here is the result:\n```json\n{\"answer\":\"  B \\n\",\"confidence\":0.95,"
        "\"needsReview\":true,\"rationale\":\"circled\"}\n```\nHope this helps.");
    const AIAnswerSuggestion suggestion = parseSuggestion(chatty);
    EXPECT_EQ(suggestion,
              (AIAnswerSuggestion{QStringLiteral("B"), 0.95, true, QStringLiteral("circled")}));
    EXPECT_EQ(extractedJSONText(QStringLiteral("```json\n{\"a\":1}\n```")),
              QStringLiteral("{\"a\":1}"));
    EXPECT_EQ(extractedJSONText(QStringLiteral(" } no object { ")),
              QStringLiteral("} no object {"));
}

TEST(ModelText, ConfidenceIsClampedAndRationaleOptional)
{
    EXPECT_DOUBLE_EQ(
        parseSuggestion(R"({"answer":"A","confidence":1.7,"needsReview":false})").confidence, 1.0);
    const AIAnswerSuggestion low =
        parseSuggestion(R"({"answer":"A","confidence":-0.2,"needsReview":false})");
    EXPECT_DOUBLE_EQ(low.confidence, 0.0);
    EXPECT_TRUE(low.rationale.isEmpty());
    EXPECT_TRUE(
        parseSuggestion(R"({"answer":"A","confidence":1,"needsReview":false,"rationale":null})")
            .rationale.isEmpty());
}

TEST(ModelText, MissingOrMistypedKeysAreUnreadable)
{
    for (const char* text : {"The answer is B.", R"({"answer":"A","confidence":0.9})",
                             R"({"answer":"A","confidence":"0.9","needsReview":false})",
                             R"({"answer":3,"confidence":0.9,"needsReview":false})",
                             R"({"answer":"A","confidence":0.9,"needsReview":"no"})",
                             R"({"answer":"A","confidence":0.9,"needsReview":false,"rationale":5})",
                             R"({"answer":"A", "confidence":0.9,)"}) {
        EXPECT_EQ(errorKindOf([&] { parseSuggestion(QString::fromUtf8(text)); }),
                  Kind::invalidResponse)
            << text;
    }
}

TEST(ModelText, PageAnswersKeepTheModelOrder)
{
    const QList<AIPageAnswer> answers = parsePageAnswers(QStringLiteral(
        "Result: {\"answers\":[{\"questionNumber\":4,\"answer\":\" Yes \",\"confidence\":2,"
        "\"needsReview\":false,\"visible\":true},{\"questionNumber\":2.0,\"answer\":\"N/A\","
        "\"confidence\":0,\"needsReview\":false,\"visible\":false,\"rationale\":\"absent\"},"
        "{\"questionNumber\":4,\"answer\":\"No\",\"confidence\":0.5,\"needsReview\":true,"
        "\"visible\":true}]} done"));
    ASSERT_EQ(answers.size(), 3);
    EXPECT_EQ(answers[0], (AIPageAnswer{4, QStringLiteral("Yes"), 1.0, false, true, QString()}));
    EXPECT_EQ(answers[1], (AIPageAnswer{2, QStringLiteral("N/A"), 0.0, false, false,
                                        QStringLiteral("absent")}));
    EXPECT_EQ(answers[2].answer, QStringLiteral("No"));

    for (
        const char* text :
        {R"({"answers":{}})",
         R"({"answers":[{"questionNumber":2.5,"answer":"A","confidence":1,"needsReview":false,"visible":true}]})",
         R"({"answers":[{"questionNumber":1,"answer":"A","confidence":1,"needsReview":false}]})",
         R"({"result":[]})"}) {
        EXPECT_EQ(errorKindOf([&] { parsePageAnswers(QString::fromUtf8(text)); }),
                  Kind::invalidResponse)
            << text;
    }
}

TEST(UploadSize, ShrinksToTheLongestSideAndNeverEnlarges)
{
    EXPECT_EQ(uploadImageSize(QSize(2000, 1000), 1600), QSize(1600, 800));
    EXPECT_EQ(uploadImageSize(QSize(600, 400), 960), QSize(600, 400));
    EXPECT_EQ(uploadImageSize(QSize(1000, 3000), 960), QSize(320, 960));
    EXPECT_EQ(uploadImageSize(QSize(5000, 2), 960), QSize(960, 1));
    EXPECT_EQ(uploadImageSize(QSize(960, 960), 960), QSize(960, 960));
}

TEST(Endpoint, HttpsAnywhereHttpOnlyOnLoopback)
{
    EXPECT_EQ(responsesEndpoint(QUrl(QStringLiteral("https://api.openai.com"))),
              QUrl(QStringLiteral("https://api.openai.com/v1/responses")));
    EXPECT_EQ(responsesEndpoint(QUrl(QStringLiteral("https://proxy.example/openai/"))),
              QUrl(QStringLiteral("https://proxy.example/openai/v1/responses")));
    EXPECT_EQ(responsesEndpoint(QUrl(QStringLiteral("http://127.0.0.1:8080"))),
              QUrl(QStringLiteral("http://127.0.0.1:8080/v1/responses")));
    EXPECT_NO_THROW(responsesEndpoint(QUrl(QStringLiteral("http://localhost:1234"))));
    EXPECT_NO_THROW(responsesEndpoint(QUrl(QStringLiteral("http://[::1]:1234"))));
    for (const char* address : {"http://api.openai.com", "http://192.168.1.5:8080",
                                "ftp://127.0.0.1", "not a url", "http://127.0.0.1.evil.example"}) {
        EXPECT_EQ(errorKindOf([&] { responsesEndpoint(QUrl(QString::fromLatin1(address))); }),
                  Kind::insecureEndpoint)
            << address;
    }
}
