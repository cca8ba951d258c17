#include "ai/OpenAIAnswerAnalysisService.h"
#include "ai/ResponsesWireFormat.h"
#include "ai/UploadImage.h"

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

SurveyTemplateField field(qint64 number, const char* prompt, SurveyDetectionMode mode,
                          const char* options)
{
    return SurveyTemplateField{number, prompt, mode, options};
}

} // namespace

// The full texts once; the local server tests check that they are what is sent.
TEST(ResponsesWireFormatPrompts, CropAndPageTextsFollowTheQuestion)
{
    QuestionReviewItem item;
    item.questionNumber = 5;
    item.prompt = QStringLiteral("Grade");
    item.suggestedText = QStringLiteral("4th");
    EXPECT_EQ(cropPrompt(item, field(5, "Ignored", SurveyDetectionMode::singleChoice, "4th\n5th"))
                  .toStdString(),
              "You are reading a cropped paper survey answer. Return only compact JSON with keys "
              "answer, confidence, needsReview, rationale.\n"
              "Question 5: Grade\n"
              "Detection type: Single choice\n"
              "Allowed answers: 4th | 5th. Choose only from this list unless the image clearly "
              "shows a written Other answer.\n"
              "Existing local suggestion: 4th\n"
              "Rules:\n"
              "- If the selected answer is clear, set confidence from 0.90 to 1.0.\n"
              "- If two answers appear selected or the crop is unclear, set needsReview true.\n"
              "- If no answer is visible or the crop is not readable, answer \"N/A\" and set "
              "needsReview true.\n"
              "- For checkbox questions, separate multiple selected answers with semicolons.\n"
              "- Do not include markdown, comments, or any text outside the JSON object.");
    const auto cropLines = [&](const std::optional<SurveyTemplateField>& field) {
        return cropPrompt(item, field).split(QLatin1Char('\n')).mid(2, 3);
    };
    const QString noChoices =
        "No fixed answer choices are available. Read the visible written answer if possible.";
    EXPECT_EQ(cropLines(field(7, "", SurveyDetectionMode::multipleChoice, "Math; Art\nMusic")),
              (QStringList{"Detection type: Checkboxes",
                           "Allowed answers: Math | Art | Music. Choose only from this list "
                           "unless the image clearly shows a written Other answer.",
                           "Existing local suggestion: 4th"}));
    EXPECT_EQ(cropLines(field(7, "", SurveyDetectionMode::written, "")).mid(0, 2),
              (QStringList{"Detection type: Written", noChoices}));
    item.suggestedText.clear();
    EXPECT_EQ(cropLines(std::nullopt), (QStringList{"Detection type: Unknown", noChoices,
                                                    "Existing local suggestion: none"}));

    // Sorted by number; fields of one number keep their order.
    EXPECT_EQ(pagePrompt({field(3, "Comments", SurveyDetectionMode::written, ""),
                          field(2, "Section B", SurveyDetectionMode::ignore, ""),
                          field(1, "I am:", SurveyDetectionMode::singleChoice, "Male\nFemale"),
                          field(2, "Again", SurveyDetectionMode::written, "")})
                  .toStdString(),
              "You are reading one scanned page of a paper survey. The page may be rotated. Read "
              "only answers visible on this page.\n"
              "Return only JSON with this shape:\n"
              "{\"answers\":[{\"questionNumber\":1,\"answer\":\"Male\",\"confidence\":0.98,"
              "\"needsReview\":false,\"visible\":true,\"rationale\":\"circled\"}]}\n"
              "\n"
              "Survey template:\n"
              "Q1: I am: [Single choice] Choices: Male | Female\n"
              "Q2: Section B [Ignore] Choices: free response\n"
              "Q2: Again [Written] Choices: free response\n"
              "Q3: Comments [Written] Choices: free response\n"
              "\n"
              "Rules:\n"
              "- Use the provided question numbers exactly.\n"
              "- If a question is not visible on this page, include it with visible false, "
              "answer \"N/A\", confidence 0, needsReview false.\n"
              "- If visible but unreadable or ambiguous, set visible true, answer \"N/A\", low "
              "confidence, needsReview true.\n"
              "- For fixed choices, choose only from the listed choices unless a written Other "
              "answer is clearly visible.\n"
              "- For checkbox questions, separate multiple selected answers with semicolons.\n"
              "- Be conservative. Do not guess from nearby questions.\n"
              "- Do not include markdown or text outside the JSON object.");
    EXPECT_TRUE(pagePrompt({}).contains(QStringLiteral("Survey template:\n\n\nRules:")));
}

TEST(ResponsesWireFormatReply, OnlyOutputTextOfMessagesCounts)
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

TEST(ResponsesWireFormatReply, ErrorBodyWithoutAMessageGivesTheStatus)
{
    // The message and the HTML cases run against the local server.
    EXPECT_EQ(failureMessageForStatus(401, R"({"error":null})"),
              QStringLiteral("OpenAI request failed with status 401."));
    EXPECT_EQ(failureMessageForStatus(400, R"({"error":{"code":"bad"}})"),
              QStringLiteral("OpenAI request failed with status 400."));
}

TEST(ResponsesWireFormatModelText, FencedOrChattyJSONIsFoundAndConfidenceClamped)
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

TEST(ResponsesWireFormatModelText, MissingOrMistypedKeysAreUnreadable)
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

TEST(ResponsesWireFormatModelText, PageAnswersKeepTheModelOrder)
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

TEST(UploadImage, ShrinksToTheLongestSideAndNeverEnlarges)
{
    // Landscape and small images are checked where they are sent.
    EXPECT_EQ(uploadImageSize(QSize(1000, 3000), 960), QSize(320, 960));
    EXPECT_EQ(uploadImageSize(QSize(5000, 2), 960), QSize(960, 1));
}

TEST(OpenAIAnswerAnalysisServiceEndpoint, HttpsAnywhereHttpOnlyOnLoopback)
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
