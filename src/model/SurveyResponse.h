#pragma once

#include <QDateTime>
#include <QStringList>

// The answers of one paper survey; answers[i] answers question i + 1.
struct SurveyResponse
{
    qint64 surveyNumber = 0;
    QDateTime capturedAt;
    QStringList answers;

    bool operator==(const SurveyResponse&) const = default;
};
