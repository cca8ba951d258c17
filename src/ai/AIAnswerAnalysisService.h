#pragma once

#include "AITypes.h"
#include "model/QuestionReviewItem.h"
#include "model/SurveyTemplateField.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <QUrl>
#include <exception>
#include <optional>

// The AI client's failures; what() is the text shown to the operator.
// Never carries the API key.
class OpenAIAnswerAnalysisError : public std::exception
{
public:
    // insecureEndpoint: the configured address would send the key unencrypted.
    enum class Kind
    {
        requestFailed,
        invalidImage,
        invalidResponse,
        insecureEndpoint
    };

    OpenAIAnswerAnalysisError(Kind kind, QString message = {});

    Kind kind() const { return m_kind; }
    QString description() const { return m_description; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    Kind m_kind;
    QString m_description;
    QByteArray m_utf8;
};

// The hosted vision model as the store and the settings see it. Every call
// gets the key and model from the caller; the client keeps no state.
class AIAnswerAnalysisService
{
public:
    virtual ~AIAnswerAnalysisService() = default;

    virtual QCoro::Task<AIAnswerSuggestion> analyze(QuestionReviewItem item,
                                                    std::optional<SurveyTemplateField> field,
                                                    QString apiKey, QString model) = 0;
    virtual QCoro::Task<QList<AIPageAnswer>> analyzePage(QUrl imageURL,
                                                         QList<SurveyTemplateField> fields,
                                                         QString apiKey, QString model) = 0;
    virtual QCoro::Task<> testConnection(QString apiKey, QString model) = 0;
};
