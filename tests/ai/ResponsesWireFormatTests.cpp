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

TEST(Prompts, NameTheQuestionTypeChoicesAndLocalSuggestion)
{
    QuestionReviewItem item;
    item.questionNumber = 7;
    item.prompt = QStringLiteral("Favourite subject");
    item.suggestedText = QStringLiteral("Math");
    const QStringList lines =
        cropPrompt(item, field(7, QStringLiteral("ignored"), SurveyDetectionMode::multipleChoice,
                               QStringLiteral("Math; Art\nMusic")))
            .split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[1], QStringLiteral("Question 7: Favourite subject"));
    EXPECT_EQ(lines[2], QStringLiteral("Detection type: Checkboxes"));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Allowed answers: Math | Art | Music. ")));
    EXPECT_EQ(lines[4], QStringLiteral("Existing local suggestion: Math"));

    // Without a field or options the model is asked for the written answer.
    item.suggestedText.clear();
    const QStringList bare = cropPrompt(item, std::nullopt).split(QLatin1Char('\n'));
    EXPECT_EQ(bare.mid(2, 3), (QStringList{QStringLiteral("Detection type: Unknown"),
                                           QStringLiteral("No fixed answer choices are available. "
                                                          "Read the visible written answer if "
                                                          "possible."),
                                           QStringLiteral("Existing local suggestion: none")}));
    const QStringList written =
        cropPrompt(item, field(7, QString(), SurveyDetectionMode::written, QString()))
            .split(QLatin1Char('\n'));
    EXPECT_EQ(written[2], QStringLiteral("Detection type: Written"));
    EXPECT_EQ(written[3], bare[3]);

    // The page prompt lists every field in number order.
    const QString page =
        pagePrompt({field(3, QStringLiteral("Comments"), SurveyDetectionMode::written, QString()),
                    field(1, QStringLiteral("I am:"), SurveyDetectionMode::singleChoice,
                          QStringLiteral("Male\nFemale")),
                    field(2, QStringLiteral("Section B"), SurveyDetectionMode::ignore, QString())});
    EXPECT_TRUE(page.contains(QStringLiteral("Survey template:\n"
                                             "Q1: I am: [Single choice] Choices: Male | Female\n"
                                             "Q2: Section B [Ignore] Choices: free response\n"
                                             "Q3: Comments [Written] Choices: free response\n\n")))
        << page.toStdString();
    EXPECT_TRUE(pagePrompt({}).contains(QStringLiteral("Survey template:\n\n\nRules:")));
}

TEST(RequestBody, HoldsOneUserInputWithTextThenImage)
{
    const QByteArray body = responsesRequestBody(QStringLiteral("gpt-5.5"), QStringLiteral("Hi ü"),
                                                 QStringLiteral("data:image/jpeg;base64,AAA/"));
    const QJsonArray content{
        QJsonObject{{"type", "input_text"}, {"text", QStringLiteral("Hi ü")}},
        QJsonObject{{"type", "input_image"}, {"image_url", "data:image/jpeg;base64,AAA/"}}};
    EXPECT_EQ(
        QJsonDocument::fromJson(body).object(),
        (QJsonObject{{"model", "gpt-5.5"},
                     {"input", QJsonArray{QJsonObject{{"role", "user"}, {"content", content}}}}}));
}

TEST(ReplyText, OnlyOutputTextOfMessagesCounts)
{
    // A reasoning item comes first, with or without content; its text is not the answer.
    EXPECT_EQ(responsesOutputText(R"({"output":[
        {"type":"reasoning","id":"rs_1","summary":[]},
        {"type":"reasoning","content":[{"type":"reasoning_text","text":"thinking"}]},
        {"type":"message","role":"assistant","content":[{"type":"refusal","text":"no"},
            {"type":"output_text","text":"second"}]},
        {"type":"message","content":[{"type":"output_text","text":"third"}]}],"id":"x"})"),
              QStringLiteral("second"));
    EXPECT_EQ(responsesOutputText(R"({"output":[{"type":"message","content":[]},
        {"type":"message","content":[{"type":"output_text","text":"b"}]}]})"),
              QStringLiteral("b"));
    for (const char* body :
         {"not json", "[]", R"({"id":"x"})", R"({"output":{}})",
          R"({"output":[{"type":"message","content":[{"type":"x","text":"a"}]}]})",
          R"({"output":[{"type":"reasoning","content":[{"type":"output_text","text":"a"}]}]})",
          R"({"output":[{"content":[{"type":"output_text","text":"a"}]}]})",
          R"({"output":[{"type":"message","content":[{"type":"output_text","text":"a"}]},
              {"type":"message","role":"assistant"}]})",
          R"({"output":[{"type":"message","content":[{"type":"output_text","text":7}]}]})",
          R"({"output":[{"type":"message","content":[{"type":"output_text","text":"a"}]},7]})"}) {
        EXPECT_EQ(errorKindOf([&] { responsesOutputText(body); }), Kind::invalidResponse) << body;
    }
}

TEST(ReplyStatus, ErrorBodyWithoutAMessageGivesTheStatus)
{
    // The message and the HTML cases run against the local server.
    EXPECT_EQ(failureMessageForStatus(401, R"({"error":null})"),
              QStringLiteral("OpenAI request failed with status 401."));
    EXPECT_EQ(failureMessageForStatus(400, R"({"error":{"code":"bad"}})"),
              QStringLiteral("OpenAI request failed with status 400."));
}

TEST(ModelText, FencedOrChattyJSONIsFoundAndConfidenceClamped)
{
    const QString chatty = QStringLiteral(
        "Sure! Here is the result:\n```json\n{\"answer\":\"  B \\n\",\"confidence\":0.95,"
        "\"needsReview\":true,\"rationale\":\"circled\"}\n```\nHope this helps.");
    EXPECT_EQ(parseSuggestion(chatty),
              (AIAnswerSuggestion{QStringLiteral("B"), 0.95, true, QStringLiteral("circled")}));
    EXPECT_EQ(extractedJSONText(QStringLiteral(" } no object { ")),
              QStringLiteral("} no object {"));
    EXPECT_EQ(parseSuggestion(R"({"answer":"A","confidence":-0.2,"needsReview":false})"),
              (AIAnswerSuggestion{QStringLiteral("A"), 0.0, false, QString()}));
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
