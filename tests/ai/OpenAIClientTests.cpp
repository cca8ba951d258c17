#include "LocalHttpsServer.h"
#include "TestSupport.h"
#include "ai/OpenAIAnswerAnalysisService.h"
#include "ai/ResponsesWireFormat.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Kind = OpenAIAnswerAnalysisError::Kind;
using testsupport::runTask;
using namespace std::chrono_literals;

const QString kKey = QStringLiteral("sk-test-0123456789abcdefghij");

using Failure = std::pair<std::optional<Kind>, QString>;
template <typename F> Failure failureOf(F&& call)
{
    try {
        call();
    } catch (const OpenAIAnswerAnalysisError& error) {
        return {error.kind(), error.description()};
    }
    return {};
}

using Field = SurveyTemplateField;

QByteArray replyWithText(const QString& text)
{
    const QJsonObject content{{"type", "output_text"}, {"text", text}};
    const QJsonObject item{{"type", "message"}, {"content", QJsonArray{content}}};
    return QJsonDocument(QJsonObject{{"output", QJsonArray{item}}}).toJson();
}

// The content parts of one request body, as the model's endpoint reads them.
const QJsonArray contentOf(const ReceivedRequest& request)
{
    return QJsonDocument::fromJson(request.body)["input"][0]["content"].toArray();
}

QImage imageOf(const ReceivedRequest& request)
{
    const QString url = contentOf(request)[1]["image_url"].toString();
    const QString prefix = "data:image/jpeg;base64,";
    return url.startsWith(prefix)
               ? QImage::fromData(QByteArray::fromBase64(url.mid(prefix.size()).toLatin1()))
               : QImage();
}

class OpenAIAnswerAnalysisServiceTest : public ::testing::Test
{
protected:
    LocalHttpsServer server;
    QNetworkAccessManager network;
    OpenAIAnswerAnalysisService client{&network};
    QTemporaryDir dir;

    void SetUp() override
    {
        client.setBaseURL(server.baseURL());
        client.setSslConfiguration(LocalHttpsServer::trustingClientConfiguration());
    }

    // A picture with a black top-left quarter over blue, or over nothing.
    QUrl writeImage(const QString& name, QSize size, bool transparent = false)
    {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(transparent ? Qt::transparent : QColor(Qt::darkBlue));
        QPainter(&image).fillRect(QRect(QPoint(), size / 2), Qt::black);
        image.save(dir.filePath(name), "PNG");
        return QUrl::fromLocalFile(dir.filePath(name));
    }

    QuestionReviewItem cropItem()
    {
        QuestionReviewItem item;
        item.surveyNumber = 2;
        item.questionNumber = 5;
        item.prompt = "Grade";
        item.suggestedText = "4th";
        item.imageURL = writeImage("crop.png", QSize(600, 400));
        return item;
    }

    Failure analyzeFailure()
    {
        const QuestionReviewItem item = cropItem();
        return failureOf([&] { runTask(client.analyze(item, std::nullopt, kKey, "m")); });
    }
    Failure connectionTestFailure()
    {
        return failureOf([&] { runTask(client.testConnection(kKey, "m")); });
    }
};

} // namespace

// Pages are shrunk to 1600 pixels on their longer side, transparency flattened
// onto white; smaller images are sent as they are.
TEST_F(OpenAIAnswerAnalysisServiceTest, RequestsCarryHeadersThePromptAndTheImage)
{
    server.script(
        {{200, replyWithText("Here you go:\n```json\n{\"answer\":\"5th\","
                             "\"confidence\":1.4,\"needsReview\":false}\n```")},
         {200, replyWithText("{\"answers\":[{\"questionNumber\":1,\"answer\":\"Male\","
                             "\"confidence\":-3,\"needsReview\":true,\"visible\":true}]}")}});
    const SurveyTemplateField field{5, "Ignored", SurveyDetectionMode::singleChoice, "4th\n5th"};
    EXPECT_EQ(runTask(client.analyze(cropItem(), field, kKey, "gpt-5.5")),
              (AIAnswerSuggestion{"5th", 1.0, false, QString()}));
    const QList<AIPageAnswer> answers = runTask(client.analyzePage(
        writeImage("page.png", QSize(2000, 1000), true), {field}, kKey, "gpt-4.1-mini"));
    ASSERT_EQ(answers.size(), 1);
    EXPECT_DOUBLE_EQ(answers[0].confidence, 0.0);

    ASSERT_EQ(server.requests().size(), 2);
    const ReceivedRequest& crop = server.requests()[0];
    EXPECT_EQ(crop.requestLine, "POST /v1/responses HTTP/1.1");
    EXPECT_EQ(crop.headers.value("authorization"), "Bearer " + kKey.toUtf8());
    EXPECT_EQ(crop.headers.value("content-type"), "application/json");
    EXPECT_EQ(QJsonDocument::fromJson(crop.body)["model"].toString(), "gpt-5.5");
    EXPECT_EQ(contentOf(crop)[0]["text"].toString(), cropPrompt(cropItem(), field));
    EXPECT_EQ(contentOf(crop).size(), 2);
    EXPECT_EQ(imageOf(crop).size(), QSize(600, 400));
    const QImage page = imageOf(server.requests()[1]);
    EXPECT_EQ(contentOf(server.requests()[1])[0]["text"].toString(), pagePrompt({field}));
    EXPECT_EQ(page.size(), QSize(1600, 800));
    EXPECT_GT(page.pixelColor(1200, 600).lightness(), 245);
    EXPECT_LT(page.pixelColor(40, 40).lightness(), 20);
}

// Redirects are not followed: the key would go wherever the server says.
TEST_F(OpenAIAnswerAnalysisServiceTest, FailuresGiveTheServerMessageOrStatus)
{
    ScriptedReply redirect{307, {}, "text/plain"};
    redirect.location = server.baseURL().toString().toUtf8() + "/elsewhere";
    server.script(
        {{200, "not even json"},
         {429, R"({"error":{"message":"Rate limit reached for requests."}})"},
         {500, "<html><body>Internal error</body></html>", "text/html"},
         {401, R"({"error":{"message":"Incorrect API key provided: )" + kKey.toUtf8() + "\"}}"},
         redirect,
         {200, replyWithText("{\"answer\":\"A\"}")}});
    // A connection test sends text only and does not read the reply body.
    EXPECT_EQ(connectionTestFailure(), Failure());
    EXPECT_EQ(
        contentOf(server.requests().value(0)),
        (QJsonArray{QJsonObject{{"type", "input_text"}, {"text", "Reply with exactly: OK"}}}));
    EXPECT_EQ(analyzeFailure(), Failure(Kind::requestFailed, "Rate limit reached for requests."));
    EXPECT_EQ(analyzeFailure(),
              Failure(Kind::requestFailed, "OpenAI request failed with status 500."));
    const auto [kind, text] = analyzeFailure();
    EXPECT_EQ(kind, Kind::requestFailed);
    EXPECT_TRUE(text.startsWith("Incorrect API key provided: "));
    EXPECT_FALSE(text.contains(kKey));
    EXPECT_EQ(connectionTestFailure(),
              Failure(Kind::requestFailed, "OpenAI request failed with status 307."));
    EXPECT_EQ(analyzeFailure().first, Kind::invalidResponse);
    EXPECT_EQ(server.requests().size(), 6);

    // A reply that never comes times out; long enough for the TLS handshake on a busy machine.
    server.script({{200, {}, "application/json", true}});
    OpenAIRequestTimeouts timeouts;
    timeouts.connectionTest = 2000ms;
    client.setTimeouts(timeouts);
    EXPECT_EQ(connectionTestFailure(), Failure(Kind::requestFailed, "The request timed out."));
}

// The checked-in certificate is trusted only when asked to be; an image
// that cannot be prepared is never sent.
TEST_F(OpenAIAnswerAnalysisServiceTest, NothingIsSentToAnUntrustedServerOrForABadImage)
{
    QNetworkAccessManager freshNetwork;
    OpenAIAnswerAnalysisService untrusting(&freshNetwork, server.baseURL());
    const auto [kind, text] = failureOf([&] { runTask(untrusting.testConnection(kKey, "m")); });
    EXPECT_EQ(kind, Kind::requestFailed);
    EXPECT_FALSE(text.contains(kKey));

    QuestionReviewItem item = cropItem();
    item.imageURL = QUrl::fromLocalFile(dir.filePath("missing.png"));
    EXPECT_EQ(failureOf([&] { runTask(client.analyze(item, std::nullopt, kKey, "m")); }),
              Failure(Kind::invalidImage, "Could not prepare the review image for AI analysis."));
    EXPECT_TRUE(server.requests().isEmpty());
}

// The lines that follow the question; the fixed rules are the same for every question.
TEST(ResponsesWireFormatPrompts, CropAndPageTextsFollowTheQuestion)
{
    QuestionReviewItem item;
    item.questionNumber = 5;
    item.prompt = "Grade";
    item.suggestedText = "4th";
    const auto cropLines = [&](const std::optional<SurveyTemplateField>& field) {
        return cropPrompt(item, field).split('\n').mid(1, 4);
    };
    const QString noChoices =
        "No fixed answer choices are available. Read the visible written answer if possible.";
    EXPECT_EQ(cropLines(Field{5, "Ignored", SurveyDetectionMode::singleChoice, "4th\n5th"}),
              (QStringList{"Question 5: Grade", "Detection type: Single choice",
                           "Allowed answers: 4th | 5th. Choose only from this list unless the "
                           "image clearly shows a written Other answer.",
                           "Existing local suggestion: 4th"}));
    item.suggestedText.clear();
    EXPECT_EQ(cropLines(std::nullopt).mid(1), (QStringList{"Detection type: Unknown", noChoices,
                                                           "Existing local suggestion: none"}));

    // Sorted by number; fields of one number keep their order.
    const QString page =
        pagePrompt({Field{3, "Comments", SurveyDetectionMode::written, ""},
                    Field{2, "Section B", SurveyDetectionMode::ignore, ""},
                    Field{1, "I am:", SurveyDetectionMode::singleChoice, "Male\nFemale"},
                    Field{2, "Again", SurveyDetectionMode::written, ""}});
    EXPECT_TRUE(page.contains("\nSurvey template:\n"
                              "Q1: I am: [Single choice] Choices: Male | Female\n"
                              "Q2: Section B [Ignore] Choices: free response\n"
                              "Q2: Again [Written] Choices: free response\n"
                              "Q3: Comments [Written] Choices: free response\n\nRules:\n"))
        << page.toStdString();
    EXPECT_TRUE(pagePrompt({}).contains("Survey template:\n\n\nRules:"));
}

TEST(ResponsesWireFormatReply,
     OnlyOutputTextOfMessagesCountsAndItsJSONIsFoundWhereverTheModelPutsIt)
{
    // A reasoning item comes first, with or without content; its text is not the answer.
    EXPECT_EQ(responsesOutputText(R"({"output":[
        {"type":"reasoning","id":"rs_1","summary":[]},
        {"type":"reasoning","content":[{"type":"reasoning_text","text":"thinking"}]},
        {"type":"message","role":"assistant","content":[{"type":"refusal","text":"no"},
            {"type":"output_text","text":"second"}]},
        {"type":"message","content":[{"type":"output_text","text":"third"}]}],"id":"x"})"),
              "second");
    EXPECT_EQ(responsesOutputText(R"({"output":[{"type":"message","content":[]},
        {"type":"message","content":[{"type":"output_text","text":"b"}]}]})"),
              "b");
    for (const char* body :
         {"not json", "[]", R"({"id":"x"})", R"({"output":{}})",
          R"({"output":[{"type":"message","content":[{"type":"x","text":"a"}]}]})",
          R"({"output":[{"type":"reasoning","content":[{"type":"output_text","text":"a"}]}]})",
          R"({"output":[{"content":[{"type":"output_text","text":"a"}]}]})",
          R"({"output":[{"type":"message","content":[{"type":"output_text","text":"a"}]},
              {"type":"message","role":"assistant"}]})",
          R"({"output":[{"type":"message","content":[{"type":"output_text","text":7}]}]})",
          R"({"output":[{"type":"message","content":[{"type":"output_text","text":"a"}]},7]})"}) {
        EXPECT_EQ(failureOf([&] { responsesOutputText(body); }).first, Kind::invalidResponse)
            << body;
    }
    // The message and the HTML cases run against the local server.
    for (const char* body : {R"({"error":null})", R"({"error":{"code":"bad"}})"})
        EXPECT_EQ(failureMessageForStatus(401, body), "OpenAI request failed with status 401.");

    EXPECT_EQ(parseSuggestion("Sure! Here is the result:\n```json\n{\"answer\":\"  B \\n\","
                              "\"confidence\":0.95,\"needsReview\":true,\"rationale\":\"circled\"}"
                              "\n```\nHope this helps."),
              (AIAnswerSuggestion{"B", 0.95, true, "circled"}));
    EXPECT_EQ(extractedJSONText(" } no object { "), "} no object {");
    EXPECT_EQ(parseSuggestion(R"({"answer":"A","confidence":-0.2,"needsReview":false})"),
              (AIAnswerSuggestion{"A", 0.0, false, QString()}));
    EXPECT_TRUE(
        parseSuggestion(R"({"answer":"A","confidence":1,"needsReview":false,"rationale":null})")
            .rationale.isEmpty());
    for (const char* text : {"The answer is B.", R"({"answer":"A","confidence":0.9})",
                             R"({"answer":"A","confidence":"0.9","needsReview":false})",
                             R"({"answer":3,"confidence":0.9,"needsReview":false})",
                             R"({"answer":"A","confidence":0.9,"needsReview":"no"})",
                             R"({"answer":"A","confidence":0.9,"needsReview":false,"rationale":5})",
                             R"({"answer":"A", "confidence":0.9,)"}) {
        EXPECT_EQ(failureOf([&] { parseSuggestion(QString::fromUtf8(text)); }).first,
                  Kind::invalidResponse)
            << text;
    }

    const QList<AIPageAnswer> answers = parsePageAnswers(
        "Result: {\"answers\":[{\"questionNumber\":4,\"answer\":\" Yes \",\"confidence\":2,"
        "\"needsReview\":false,\"visible\":true},{\"questionNumber\":2.0,\"answer\":\"N/A\","
        "\"confidence\":0,\"needsReview\":false,\"visible\":false,\"rationale\":\"absent\"},"
        "{\"questionNumber\":4,\"answer\":\"No\",\"confidence\":0.5,\"needsReview\":true,"
        "\"visible\":true}]} done");
    ASSERT_EQ(answers.size(), 3);
    EXPECT_EQ(answers[0], (AIPageAnswer{4, "Yes", 1.0, false, true, QString()}));
    EXPECT_EQ(answers[1], (AIPageAnswer{2, "N/A", 0.0, false, false, "absent"}));
    EXPECT_EQ(answers[2].answer, "No");

    for (
        const char* text :
        {R"({"answers":{}})",
         R"({"answers":[{"questionNumber":2.5,"answer":"A","confidence":1,"needsReview":false,"visible":true}]})",
         R"({"answers":[{"questionNumber":1,"answer":"A","confidence":1,"needsReview":false}]})",
         R"({"result":[]})"}) {
        EXPECT_EQ(failureOf([&] { parsePageAnswers(QString::fromUtf8(text)); }).first,
                  Kind::invalidResponse)
            << text;
    }
}

TEST(OpenAIAnswerAnalysisServiceEndpoint, HttpsAnywhereHttpOnlyOnLoopback)
{
    for (const char* base : {"https://api.openai.com", "https://proxy.example/openai/",
                             "http://127.0.0.1:8080", "http://localhost:1234", "http://[::1]:1234"})
        EXPECT_EQ(responsesEndpoint(QUrl(base)).toString(),
                  QString(base).chopped(QString(base).endsWith('/')) + "/v1/responses");
    for (const char* address : {"http://api.openai.com", "http://192.168.1.5:8080",
                                "ftp://127.0.0.1", "not a url", "http://127.0.0.1.evil.example"}) {
        EXPECT_EQ(failureOf([&] { responsesEndpoint(QUrl(address)); }).first,
                  Kind::insecureEndpoint)
            << address;
    }
}
