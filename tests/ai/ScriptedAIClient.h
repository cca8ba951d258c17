#pragma once

#include "TestSupport.h"
#include "ai/AIAnswerAnalysisService.h"

#include <QCoro/QCoroTimer>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <variant>

// Answers crops by question number and pages by file from a script, a string
// thrown as a request failure; records the calls and the most in flight.
class ScriptedAIClient : public AIAnswerAnalysisService
{
public:
    using CropScript = std::variant<AIAnswerSuggestion, QString>;
    using PageScript = std::variant<QList<AIPageAnswer>, QString>;

    QHash<qint64, CropScript> crops;
    QHash<QUrl, PageScript> pages;
    std::optional<PageScript> anyPage; // for pages without a script of their own
    std::chrono::milliseconds delay{0};
    // A crop of the key question answers only after those of the listed ones.
    QHash<qint64, QList<qint64>> finishAfter;
    QList<qint64> finishedCrops;

    QList<qint64> cropCalls;
    QList<QUrl> pageCalls;
    QList<QList<qint64>> pageFieldNumbers;
    QStringList keys;
    QStringList connectionModels;
    std::optional<QString> connectionFailure; // thrown by the connection test when set
    int inFlight = 0;
    int maxInFlight = 0;

    QCoro::Task<AIAnswerSuggestion> analyze(QuestionReviewItem item,
                                            std::optional<SurveyTemplateField>, QString apiKey,
                                            QString) override
    {
        cropCalls << item.questionNumber;
        keys << apiKey;
        maxInFlight = std::max(maxInFlight, ++inFlight);
        co_await pause(delay);
        for (qint64 other : finishAfter.value(item.questionNumber))
            while (!finishedCrops.contains(other))
                co_await pause(std::chrono::milliseconds(2));
        --inFlight;
        finishedCrops << item.questionNumber;
        co_return played(
            crops.value(item.questionNumber, QStringLiteral("no script for this question")));
    }

    QCoro::Task<QList<AIPageAnswer>> analyzePage(QUrl imageURL, QList<SurveyTemplateField> fields,
                                                 QString apiKey, QString) override
    {
        pageCalls << imageURL;
        keys << apiKey;
        pageFieldNumbers << testsupport::mapped(fields, &SurveyTemplateField::number);
        maxInFlight = std::max(maxInFlight, ++inFlight);
        co_await pause(delay);
        --inFlight;
        co_return played(
            pages.value(imageURL, anyPage.value_or(QStringLiteral("no script for this page"))));
    }

    QCoro::Task<> testConnection(QString apiKey, QString model) override
    {
        keys << apiKey;
        connectionModels << model;
        if (connectionFailure)
            played(std::variant<bool, QString>(*connectionFailure));
        co_return;
    }

private:
    // The scripted value, or the scripted failure thrown.
    template <typename T> static T played(const std::variant<T, QString>& script)
    {
        if (const QString* failure = std::get_if<QString>(&script))
            throw OpenAIAnswerAnalysisError(OpenAIAnswerAnalysisError::Kind::requestFailed,
                                            *failure);
        return std::get<T>(script);
    }

    static QCoro::Task<> pause(std::chrono::milliseconds wait)
    {
        if (wait.count() > 0)
            co_await QCoro::sleepFor(wait);
    }
};
