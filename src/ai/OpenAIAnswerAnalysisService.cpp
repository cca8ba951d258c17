#include "OpenAIAnswerAnalysisService.h"

#include "ResponsesWireFormat.h"
#include "UploadImage.h"

#include <QCoro/QCoroNetworkReply>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace {

using Kind = OpenAIAnswerAnalysisError::Kind;

bool isLoopbackHost(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    QHostAddress address;
    return address.setAddress(host) && address.isLoopback();
}

// Replies may echo what they were sent; the key never reaches an error text.
QString withoutKey(QString text, const QString& apiKey)
{
    if (apiKey.size() >= 8)
        text.replace(apiKey, QStringLiteral("[API key]"));
    return text;
}

} // namespace

QUrl responsesEndpoint(const QUrl& baseURL)
{
    const QString scheme = baseURL.scheme().toLower();
    const bool secure = scheme == QLatin1String("https");
    const bool localPlain = scheme == QLatin1String("http") && isLoopbackHost(baseURL.host());
    if (!baseURL.isValid() || baseURL.host().isEmpty() || !(secure || localPlain))
        throw OpenAIAnswerAnalysisError(Kind::insecureEndpoint);
    QUrl endpoint = baseURL;
    QString path = baseURL.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    endpoint.setPath(path + QStringLiteral("/v1/responses"));
    endpoint.setQuery(QString());
    endpoint.setFragment(QString());
    return endpoint;
}

OpenAIAnswerAnalysisService::OpenAIAnswerAnalysisService(QNetworkAccessManager* network,
                                                         QUrl baseURL)
    : m_network(network), m_baseURL(std::move(baseURL))
{
    if (!m_network) {
        m_ownedNetwork = std::make_unique<QNetworkAccessManager>();
        m_network = m_ownedNetwork.get();
    }
}

OpenAIAnswerAnalysisService::~OpenAIAnswerAnalysisService() = default;

QCoro::Task<AIAnswerSuggestion>
OpenAIAnswerAnalysisService::analyze(QuestionReviewItem item,
                                     std::optional<SurveyTemplateField> field, QString apiKey,
                                     QString model)
{
    const QByteArray jpeg = preparedUploadJPEG(item.imageURL, kCropLongestSide, kCropJPEGQuality);
    const QByteArray body = responsesRequestBody(model, cropPrompt(item, field), jpegDataURL(jpeg));
    const QByteArray reply = co_await post(body, apiKey, m_timeouts.crop);
    co_return parseSuggestion(responsesOutputText(reply));
}

QCoro::Task<QList<AIPageAnswer>>
OpenAIAnswerAnalysisService::analyzePage(QUrl imageURL, QList<SurveyTemplateField> fields,
                                         QString apiKey, QString model)
{
    const QByteArray jpeg = preparedUploadJPEG(imageURL, kPageLongestSide, kPageJPEGQuality);
    const QByteArray body = responsesRequestBody(model, pagePrompt(fields), jpegDataURL(jpeg));
    const QByteArray reply = co_await post(body, apiKey, m_timeouts.page);
    co_return parsePageAnswers(responsesOutputText(reply));
}

QCoro::Task<> OpenAIAnswerAnalysisService::testConnection(QString apiKey, QString model)
{
    const QByteArray body = responsesRequestBody(model, QString::fromLatin1(kConnectionTestPrompt));
    co_await post(body, apiKey, m_timeouts.connectionTest);
}

QCoro::Task<QByteArray> OpenAIAnswerAnalysisService::post(QByteArray body, QString apiKey,
                                                          std::chrono::milliseconds timeout)
{
    QNetworkRequest request(responsesEndpoint(m_baseURL));
    request.setRawHeader("Authorization", "Bearer " + apiKey.toUtf8());
    request.setRawHeader("Content-Type", "application/json");
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    // A redirect would carry the key to another address; it counts as a
    // failed status instead.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    if (m_sslConfiguration)
        request.setSslConfiguration(*m_sslConfiguration);

    QPointer<QNetworkReply> reply = m_network->post(request, body);
    co_await reply.get();
    if (!reply)
        throw OpenAIAnswerAnalysisError(Kind::requestFailed,
                                        QStringLiteral("The request was cancelled."));
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owner(
        reply.get(), [](QNetworkReply* r) { r->deleteLater(); });

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        const int code = status.toInt();
        const QByteArray replyBody = reply->readAll();
        if (code < 200 || code > 299)
            throw OpenAIAnswerAnalysisError(
                Kind::requestFailed, withoutKey(failureMessageForStatus(code, replyBody), apiKey));
        co_return replyBody;
    }
    // Only the transfer time-out cancels a request here.
    if (reply->error() == QNetworkReply::OperationCanceledError)
        throw OpenAIAnswerAnalysisError(Kind::requestFailed,
                                        QStringLiteral("The request timed out."));
    throw OpenAIAnswerAnalysisError(Kind::requestFailed, withoutKey(reply->errorString(), apiKey));
}
