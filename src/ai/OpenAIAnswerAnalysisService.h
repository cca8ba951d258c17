#pragma once

#include "AIAnswerAnalysisService.h"

#include <QSslConfiguration>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>

class QNetworkAccessManager;

// How long each kind of request may go without progress before it fails.
struct OpenAIRequestTimeouts
{
    std::chrono::milliseconds crop{25000};
    std::chrono::milliseconds page{45000};
    std::chrono::milliseconds connectionTest{30000};
};

// The address requests go to: base + "/v1/responses". Throws insecureEndpoint
// unless the base is https, or http on this computer's loopback address.
QUrl responsesEndpoint(const QUrl& baseURL);

/// The hosted vision model over its HTTPS responses endpoint. Holds no key and
/// no batch state; every call gets the key and the model from its caller.
class OpenAIAnswerAnalysisService : public AIAnswerAnalysisService
{
public:
    // network may be null: the service then makes its own.
    explicit OpenAIAnswerAnalysisService(
        QNetworkAccessManager* network = nullptr,
        QUrl baseURL = QUrl(QStringLiteral("https://api.openai.com")));
    ~OpenAIAnswerAnalysisService() override;

    void setBaseURL(const QUrl& baseURL) { m_baseURL = baseURL; }
    QUrl baseURL() const { return m_baseURL; }
    void setTimeouts(const OpenAIRequestTimeouts& timeouts) { m_timeouts = timeouts; }
    // TLS settings for every request (for instance extra trusted certificates).
    void setSslConfiguration(const std::optional<QSslConfiguration>& configuration)
    {
        m_sslConfiguration = configuration;
    }

    QCoro::Task<AIAnswerSuggestion> analyze(QuestionReviewItem item,
                                            std::optional<SurveyTemplateField> field,
                                            QString apiKey, QString model) override;
    QCoro::Task<QList<AIPageAnswer>> analyzePage(QUrl imageURL, QList<SurveyTemplateField> fields,
                                                 QString apiKey, QString model) override;
    QCoro::Task<> testConnection(QString apiKey, QString model) override;

private:
    // The body of a 2xx reply; throws requestFailed for other statuses and
    // transport failures.
    QCoro::Task<QByteArray> post(QByteArray body, QString apiKey,
                                 std::chrono::milliseconds timeout);

    std::unique_ptr<QNetworkAccessManager> m_ownedNetwork;
    QNetworkAccessManager* m_network = nullptr;
    QUrl m_baseURL;
    OpenAIRequestTimeouts m_timeouts;
    std::optional<QSslConfiguration> m_sslConfiguration;
};
