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

QByteArray replyWithText(const QString& text)
{
    const QJsonObject content{{"type", "output_text"}, {"text", text}};
    const QJsonObject item{{"type", "message"}, {"content", QJsonArray{content}}};
    return QJsonDocument(QJsonObject{{"output", QJsonArray{item}}}).toJson();
}

// The DC entry of the first quantisation table: libjpeg scales 16 by the
// quality (72 gives 9, 78 gives 7), so it tells the quality used.
int firstQuantisationValue(const QByteArray& jpeg)
{
    for (qsizetype i = 2; i + 5 < jpeg.size();) {
        if (quint8(jpeg[i]) != 0xFF)
            return -1;
        if (quint8(jpeg[i + 1]) == 0xDB)
            return quint8(jpeg[i + 5]);
        i += 2 + ((quint8(jpeg[i + 2]) << 8) | quint8(jpeg[i + 3]));
    }
    return -1;
}

// One request body as the model's endpoint reads it.
struct SentRequest
{
    QString model;
    QString text;
    qsizetype parts = 0;
    QByteArray jpeg; // decoded from the image's data URL, when one was sent
    QImage image;
};

SentRequest decode(const ReceivedRequest& request)
{
    const QJsonObject root = QJsonDocument::fromJson(request.body).object();
    const QJsonArray content = root["input"][0]["content"].toArray();
    SentRequest sent;
    sent.model = root["model"].toString();
    sent.text = content[0]["text"].toString();
    sent.parts = content.size();
    const QString url = content[1]["image_url"].toString();
    const QString prefix = QStringLiteral("data:image/jpeg;base64,");
    if (url.startsWith(prefix)) {
        sent.jpeg = QByteArray::fromBase64(url.mid(prefix.size()).toLatin1());
        sent.image = QImage::fromData(sent.jpeg, "JPEG");
    }
    return sent;
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
        ASSERT_TRUE(server.listening());
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
        item.prompt = QStringLiteral("Grade");
        item.suggestedText = QStringLiteral("4th");
        item.imageURL = writeImage(QStringLiteral("crop.png"), QSize(600, 400));
        return item;
    }

    template <typename F> std::pair<std::optional<Kind>, QString> failureOf(F&& call)
    {
        try {
            call();
        } catch (const OpenAIAnswerAnalysisError& error) {
            return {error.kind(), error.description()};
        }
        return {std::nullopt, QString()};
    }
    std::pair<std::optional<Kind>, QString> analyzeFailure()
    {
        const QuestionReviewItem item = cropItem();
        return failureOf([&] { runTask(client.analyze(item, std::nullopt, kKey, "m")); });
    }
    std::pair<std::optional<Kind>, QString> connectionTestFailure()
    {
        return failureOf([&] { runTask(client.testConnection(kKey, QStringLiteral("m"))); });
    }
};

} // namespace

TEST_F(OpenAIAnswerAnalysisServiceTest, CropRequestCarriesHeadersThePromptAndASmallJPEG)
{
    server.script({{200, replyWithText("Here you go:\n```json\n{\"answer\":\"5th\","
                                       "\"confidence\":1.4,\"needsReview\":false}\n```")}});
    const SurveyTemplateField field{5, QStringLiteral("Ignored"), SurveyDetectionMode::singleChoice,
                                    QStringLiteral("4th\n5th")};

    EXPECT_EQ(runTask(client.analyze(cropItem(), field, kKey, QStringLiteral("gpt-5.5"))),
              (AIAnswerSuggestion{QStringLiteral("5th"), 1.0, false, QString()}));

    ASSERT_EQ(server.requests().size(), 1);
    const ReceivedRequest& request = server.requests()[0];
    EXPECT_EQ(request.requestLine, QByteArray("POST /v1/responses HTTP/1.1"));
    EXPECT_EQ(request.headers.value("authorization"), "Bearer " + kKey.toUtf8());
    EXPECT_EQ(request.headers.value("content-type"), QByteArray("application/json"));
    const SentRequest sent = decode(request);
    EXPECT_EQ(sent.model, QStringLiteral("gpt-5.5"));
    // The wording itself is pinned in the wire format tests.
    EXPECT_EQ(sent.text, cropPrompt(cropItem(), field));
    EXPECT_EQ(sent.parts, 2);
    EXPECT_EQ(sent.image.size(), QSize(600, 400));
    EXPECT_EQ(firstQuantisationValue(sent.jpeg), 9);
}

TEST_F(OpenAIAnswerAnalysisServiceTest, PageRequestListsTheFieldsInOrderUnderTheRules)
{
    server.script(
        {{200, replyWithText("{\"answers\":[{\"questionNumber\":1,\"answer\":\"Male\","
                             "\"confidence\":-3,\"needsReview\":true,\"visible\":true}]}")}});
    const QList<SurveyTemplateField> fields{
        {3, QStringLiteral("Comments"), SurveyDetectionMode::written, QString()},
        {1, QStringLiteral("I am:"), SurveyDetectionMode::singleChoice, "Male\nFemale"}};

    const QList<AIPageAnswer> answers =
        runTask(client.analyzePage(writeImage(QStringLiteral("page.png"), QSize(2000, 1000), true),
                                   fields, kKey, QStringLiteral("gpt-4.1-mini")));

    ASSERT_EQ(answers.size(), 1);
    EXPECT_DOUBLE_EQ(answers[0].confidence, 0.0);
    const SentRequest sent = decode(server.requests().value(0));
    EXPECT_EQ(sent.text, pagePrompt(fields));
    // Shrunk to 1600 pixels at quality 78, transparency flattened onto white.
    EXPECT_EQ(sent.image.size(), QSize(1600, 800));
    EXPECT_EQ(firstQuantisationValue(sent.jpeg), 7);
    EXPECT_GT(sent.image.pixelColor(1200, 600).lightness(), 245);
    EXPECT_LT(sent.image.pixelColor(40, 40).lightness(), 20);
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
         {200, replyWithText(QStringLiteral("{\"answer\":\"A\"}"))}});
    using Failure = std::pair<std::optional<Kind>, QString>;
    // A connection test sends text only and does not read the reply body.
    EXPECT_EQ(connectionTestFailure(), Failure());
    EXPECT_EQ(decode(server.requests().value(0)).text, QStringLiteral("Reply with exactly: OK"));
    EXPECT_EQ(decode(server.requests().value(0)).parts, 1);
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
}

TEST_F(OpenAIAnswerAnalysisServiceTest, SlowReplyTimesOut)
{
    server.script({{200, {}, "application/json", true}});
    OpenAIRequestTimeouts timeouts;
    // Long enough for the TLS handshake on a busy machine, short for a test.
    timeouts.connectionTest = 2000ms;
    client.setTimeouts(timeouts);
    EXPECT_EQ(connectionTestFailure(), std::make_pair(std::optional(Kind::requestFailed),
                                                      QStringLiteral("The request timed out.")));
}

// The checked-in certificate is trusted only when asked to be; an image
// that cannot be prepared is never sent.
TEST_F(OpenAIAnswerAnalysisServiceTest, NothingIsSentToAnUntrustedServerOrForABadImage)
{
    QNetworkAccessManager freshNetwork;
    OpenAIAnswerAnalysisService untrusting(&freshNetwork, server.baseURL());
    const auto [kind, text] =
        failureOf([&] { runTask(untrusting.testConnection(kKey, QStringLiteral("m"))); });
    EXPECT_EQ(kind, Kind::requestFailed);
    EXPECT_FALSE(text.contains(kKey));

    QuestionReviewItem item = cropItem();
    item.imageURL = QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.png")));
    EXPECT_EQ(
        failureOf([&] { runTask(client.analyze(item, std::nullopt, kKey, "m")); }),
        std::make_pair(std::optional(Kind::invalidImage),
                       QStringLiteral("Could not prepare the review image for AI analysis.")));
    EXPECT_TRUE(server.requests().isEmpty());
}
