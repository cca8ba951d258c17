#include "LocalHttpsServer.h"
#include "RunTask.h"

#include "ai/OpenAIAnswerAnalysisService.h"
#include "ai/ResponsesWireFormat.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QPainter>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Kind = OpenAIAnswerAnalysisError::Kind;
using namespace std::chrono_literals;

const QString kKey = QStringLiteral("sk-test-0123456789abcdefghij");

QByteArray replyWithText(const QString& text)
{
    const QJsonObject content{{QStringLiteral("type"), QStringLiteral("output_text")},
                              {QStringLiteral("text"), text}};
    const QJsonObject item{{QStringLiteral("type"), QStringLiteral("message")},
                           {QStringLiteral("content"), QJsonArray{content}}};
    return QJsonDocument(QJsonObject{{QStringLiteral("output"), QJsonArray{item}}}).toJson();
}

// The DC entry of the first quantisation table: libjpeg scales 16 by the
// quality (72 gives 9, 78 gives 7), so it tells the quality used.
int firstQuantisationValue(const QByteArray& jpeg)
{
    for (qsizetype i = 2; i + 4 < jpeg.size();) {
        if (quint8(jpeg[i]) != 0xFF)
            return -1;
        const quint8 marker = quint8(jpeg[i + 1]);
        const int length = (quint8(jpeg[i + 2]) << 8) | quint8(jpeg[i + 3]);
        if (marker == 0xDB)
            return quint8(jpeg[i + 5]);
        i += 2 + length;
    }
    return -1;
}

struct SentRequest
{
    QString model;
    QString text;
    int contentCount = 0;
    QByteArray jpeg; // the image decoded from its data URL, when one was sent
    QImage image;
};

SentRequest decode(const ReceivedRequest& request)
{
    const QJsonObject root = QJsonDocument::fromJson(request.body).object();
    const QJsonArray content =
        root[QStringLiteral("input")][0][QStringLiteral("content")].toArray();
    SentRequest sent;
    sent.model = root[QStringLiteral("model")].toString();
    sent.text = content[0][QStringLiteral("text")].toString();
    sent.contentCount = int(content.size());
    const QString url = content[1][QStringLiteral("image_url")].toString();
    const QString prefix = QStringLiteral("data:image/jpeg;base64,");
    if (url.startsWith(prefix)) {
        sent.jpeg = QByteArray::fromBase64(url.mid(prefix.size()).toLatin1(),
                                           QByteArray::AbortOnBase64DecodingErrors);
        sent.image = QImage::fromData(sent.jpeg, "JPEG");
    }
    return sent;
}

class OpenAIClientTest : public ::testing::Test
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

    QUrl writeImage(const QString& name, QSize size, bool transparent = false)
    {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(transparent ? Qt::transparent : QColor(Qt::darkBlue));
        QPainter painter(&image);
        painter.fillRect(QRect(0, 0, size.width() / 2, size.height() / 2), Qt::black);
        painter.end();
        const QString path = dir.filePath(name);
        image.save(path, "PNG");
        return QUrl::fromLocalFile(path);
    }

    QuestionReviewItem cropItem(QSize size = QSize(600, 400))
    {
        QuestionReviewItem item;
        item.surveyNumber = 2;
        item.questionNumber = 5;
        item.prompt = QStringLiteral("Grade");
        item.suggestedText = QStringLiteral("4th");
        item.imageURL = writeImage(QStringLiteral("crop.png"), size);
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
    std::pair<std::optional<Kind>, QString> connectionTestFailure()
    {
        return failureOf([&] { aitest::run(client.testConnection(kKey, QStringLiteral("m"))); });
    }
};

} // namespace

TEST_F(OpenAIClientTest, CropRequestCarriesExactHeadersBodyAndSmallJPEG)
{
    server.script({{200, replyWithText(QStringLiteral(
                             "Here you go:\n```json\n{\"answer\":\"5th\",\"confidence\":1.4,"
                             "\"needsReview\":false}\n```"))}});
    const QuestionReviewItem item = cropItem();
    const SurveyTemplateField field{5, QStringLiteral("Grade"), SurveyDetectionMode::singleChoice,
                                    QStringLiteral("4th\n5th")};

    const AIAnswerSuggestion suggestion =
        aitest::run(client.analyze(item, field, kKey, QStringLiteral("gpt-5.5")));

    EXPECT_EQ(suggestion, (AIAnswerSuggestion{QStringLiteral("5th"), 1.0, false, QString()}));
    ASSERT_EQ(server.requests().size(), 1);
    const ReceivedRequest& request = server.requests()[0];
    EXPECT_EQ(request.requestLine, QByteArray("POST /v1/responses HTTP/1.1"));
    EXPECT_EQ(request.headers.value("authorization"), "Bearer " + kKey.toUtf8());
    EXPECT_EQ(request.headers.value("content-type"), QByteArray("application/json"));
    const SentRequest sent = decode(request);
    EXPECT_EQ(sent.model, QStringLiteral("gpt-5.5"));
    EXPECT_EQ(sent.contentCount, 2);
    EXPECT_EQ(sent.text, cropPrompt(item, field));
    EXPECT_EQ(sent.image.size(), QSize(600, 400));
    EXPECT_TRUE(sent.jpeg.startsWith("\xFF\xD8"));
    EXPECT_EQ(firstQuantisationValue(sent.jpeg), 9);
}

TEST_F(OpenAIClientTest, PageImageIsShrunkAndFlattenedOntoWhite)
{
    server.script({{200, replyWithText(QStringLiteral(
                             "{\"answers\":[{\"questionNumber\":1,\"answer\":\"Male\","
                             "\"confidence\":-3,\"needsReview\":true,\"visible\":true}]}"))}});
    const QList<SurveyTemplateField> fields =
        SurveyTemplateField::defaults(SurveyTemplate::krda2026);

    const QList<AIPageAnswer> answers = aitest::run(
        client.analyzePage(writeImage(QStringLiteral("page.png"), QSize(2000, 1000), true), fields,
                           kKey, QStringLiteral("gpt-4.1-mini")));

    ASSERT_EQ(answers.size(), 1);
    EXPECT_DOUBLE_EQ(answers[0].confidence, 0.0);
    const SentRequest sent = decode(server.requests().value(0));
    EXPECT_EQ(sent.text, pagePrompt(fields));
    EXPECT_EQ(sent.image.size(), QSize(1600, 800));
    EXPECT_EQ(firstQuantisationValue(sent.jpeg), 7);
    EXPECT_GT(sent.image.pixelColor(1200, 600).lightness(), 245); // was transparent
    EXPECT_LT(sent.image.pixelColor(40, 40).lightness(), 20);
}

TEST_F(OpenAIClientTest, ConnectionTestSendsTextOnlyAndIgnoresTheReplyBody)
{
    server.script({{200, "not even json"}});
    aitest::run(client.testConnection(kKey, QStringLiteral("gpt-5.5")));
    const SentRequest sent = decode(server.requests().value(0));
    EXPECT_EQ(sent.text, QStringLiteral("Reply with exactly: OK"));
    EXPECT_EQ(sent.contentCount, 1);
    EXPECT_TRUE(sent.jpeg.isEmpty());
}

TEST_F(OpenAIClientTest, FailingStatusesGiveTheServerMessageOrTheStatus)
{
    server.script({{429, R"({"error":{"message":"Rate limit reached for requests."}})"},
                   {500, "<html><body>Internal error</body></html>", "text/html"},
                   {401, QByteArray(R"({"error":{"message":"Incorrect API key provided: )") +
                             kKey.toUtf8() + "\"}}"},
                   {200, replyWithText(QStringLiteral("{\"answer\":\"A\"}"))},
                   {200, R"({"output":[{"type":"message","role":"assistant"}]})"}});
    const QuestionReviewItem item = cropItem();
    const auto analyze = [&] {
        aitest::run(client.analyze(item, std::nullopt, kKey, QStringLiteral("m")));
    };
    EXPECT_EQ(failureOf(analyze),
              std::make_pair(std::optional(Kind::requestFailed),
                             QStringLiteral("Rate limit reached for requests.")));
    EXPECT_EQ(failureOf(analyze),
              std::make_pair(std::optional(Kind::requestFailed),
                             QStringLiteral("OpenAI request failed with status 500.")));
    const auto [kind, text] = failureOf(analyze);
    EXPECT_EQ(kind, Kind::requestFailed);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Incorrect API key provided: ")));
    EXPECT_FALSE(text.contains(kKey));
    EXPECT_EQ(failureOf(analyze).first, Kind::invalidResponse);
    EXPECT_EQ(failureOf(analyze).first, Kind::invalidResponse);
    EXPECT_EQ(server.requests().size(), 5);
}

TEST_F(OpenAIClientTest, RecordedRepliesWithAndWithoutReasoningAreRead)
{
    // As a reasoning model and a plain model send them (ids shortened).
    const QByteArray reasoning = R"({"id":"resp_1","object":"response","status":"completed",
        "model":"gpt-5","output":[{"id":"rs_1","type":"reasoning","summary":[]},
        {"id":"msg_1","type":"message","status":"completed","role":"assistant","content":[
        {"type":"output_text","annotations":[],"logprobs":[],
         "text":"{\"answer\":\"Yes\",\"confidence\":0.9,\"needsReview\":false}"}]}],
        "usage":{"input_tokens":10,"output_tokens":20}})";
    const QByteArray plain = R"({"id":"resp_2","object":"response","status":"completed",
        "model":"gpt-4.1","output":[{"id":"msg_2","type":"message","status":"completed",
        "role":"assistant","content":[{"type":"output_text","annotations":[],
         "text":"{\"answer\":\"No\",\"confidence\":0.4,\"needsReview\":true}"}]}]})";
    server.script({{200, reasoning}, {200, plain}});
    const QuestionReviewItem item = cropItem();
    const AIAnswerSuggestion first =
        aitest::run(client.analyze(item, std::nullopt, kKey, QStringLiteral("m")));
    EXPECT_EQ(first.answer, QStringLiteral("Yes"));
    EXPECT_FALSE(first.needsReview);
    const AIAnswerSuggestion second =
        aitest::run(client.analyze(item, std::nullopt, kKey, QStringLiteral("m")));
    EXPECT_EQ(second.answer, QStringLiteral("No"));
    EXPECT_DOUBLE_EQ(second.confidence, 0.4);
}

TEST_F(OpenAIClientTest, RedirectsAreNotFollowed)
{
    ScriptedReply redirect{307, {}, "text/plain"};
    redirect.location = server.baseURL().toString().toUtf8() + "/elsewhere";
    server.script({redirect, {200, replyWithText(QStringLiteral("{}"))}});
    const auto [kind, text] = connectionTestFailure();
    EXPECT_EQ(kind, Kind::requestFailed);
    EXPECT_EQ(text, QStringLiteral("OpenAI request failed with status 307."));
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(OpenAIClientTest, SlowReplyTimesOut)
{
    server.script({{200, {}, "application/json", true}});
    OpenAIRequestTimeouts timeouts;
    // Long enough for the TLS handshake on a busy machine, short for a test.
    timeouts.connectionTest = 2000ms;
    client.setTimeouts(timeouts);
    const auto [kind, text] = connectionTestFailure();
    EXPECT_EQ(kind, Kind::requestFailed);
    EXPECT_EQ(text, QStringLiteral("The request timed out."));
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(OpenAIClientTest, RefusedConnectionIsARequestFailure)
{
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    client.setBaseURL(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
    const auto [kind, text] = connectionTestFailure();
    EXPECT_EQ(kind, Kind::requestFailed);
    EXPECT_TRUE(text.contains(QStringLiteral("refused"), Qt::CaseInsensitive))
        << text.toStdString();
}

TEST_F(OpenAIClientTest, UntrustedCertificateIsRefused)
{
    QNetworkAccessManager freshNetwork;
    OpenAIAnswerAnalysisService untrusting(&freshNetwork, server.baseURL());
    const auto [kind, text] =
        failureOf([&] { aitest::run(untrusting.testConnection(kKey, QStringLiteral("m"))); });
    EXPECT_EQ(kind, Kind::requestFailed);
    EXPECT_FALSE(text.contains(kKey));
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(OpenAIClientTest, NothingIsSentForABadImageOrAPlainRemoteAddress)
{
    QuestionReviewItem item = cropItem();
    item.imageURL = QUrl::fromLocalFile(dir.filePath(QStringLiteral("missing.png")));
    EXPECT_EQ(
        failureOf(
            [&] { aitest::run(client.analyze(item, std::nullopt, kKey, QStringLiteral("m"))); }),
        std::make_pair(std::optional(Kind::invalidImage),
                       QStringLiteral("Could not prepare the review image for AI analysis.")));

    client.setBaseURL(QUrl(QStringLiteral("http://api.openai.com")));
    EXPECT_EQ(connectionTestFailure().first, Kind::insecureEndpoint);
    EXPECT_TRUE(server.requests().isEmpty());
}
