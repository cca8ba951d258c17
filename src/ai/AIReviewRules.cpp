#include "AIReviewRules.h"

#include <algorithm>

bool isBlankAIAnswer(const QString& answer)
{
    const QString trimmed = answer.trimmed();
    return trimmed.isEmpty() ||
           trimmed.compare(QLatin1String(kBlankAnswer), Qt::CaseInsensitive) == 0;
}

std::optional<SurveyTemplateField> templateField(const QList<SurveyTemplateField>& fields,
                                                 qint64 questionNumber)
{
    for (const SurveyTemplateField& field : fields) {
        if (field.number == questionNumber)
            return field;
    }
    return std::nullopt;
}

bool shouldAutoApply(const AIAnswerSuggestion& suggestion, AIDetectionMode mode,
                     double autoApplyConfidence)
{
    if (mode != AIDetectionMode::hybrid && mode != AIDetectionMode::aiFirst)
        return false;
    return suggestion.confidence >= autoApplyConfidence && !isBlankAIAnswer(suggestion.answer);
}

QString reviewNote(const AIAnswerSuggestion& suggestion, double autoApplyConfidence)
{
    const QString rationale = suggestion.rationale.trimmed();
    const QString answer = suggestion.answer.trimmed();
    if (answer.compare(QLatin1String(kBlankAnswer), Qt::CaseInsensitive) == 0)
        return QStringLiteral("AI could not find a readable answer. Review required.");
    if (suggestion.confidence < autoApplyConfidence) {
        const qint64 percent = static_cast<qint64>(suggestion.confidence * 100);
        if (rationale.isEmpty())
            return QStringLiteral("AI was only %1% confident. Review required.").arg(percent);
        return QStringLiteral("AI was %1% confident: %2").arg(percent).arg(rationale);
    }
    if (suggestion.needsReview) {
        if (rationale.isEmpty())
            return QStringLiteral("AI flagged this answer for review.");
        return QStringLiteral("AI flagged this answer for review: ") + rationale;
    }
    if (rationale.isEmpty())
        return QStringLiteral("AI suggested this answer for review.");
    return QStringLiteral("AI note: ") + rationale;
}

bool applyAIAnswer(QList<SurveyResponse>& responses, qint64 surveyNumber, qint64 questionNumber,
                   const QString& answer)
{
    if (questionNumber < 1)
        return false;
    const auto response =
        std::find_if(responses.begin(), responses.end(),
                     [&](const SurveyResponse& r) { return r.surveyNumber == surveyNumber; });
    if (response == responses.end())
        return false;
    while (response->answers.size() < questionNumber)
        response->answers << QLatin1String(kBlankAnswer);
    response->answers[questionNumber - 1] = answer;
    return true;
}

QList<SurveyResponse> blankedAIResponses(const QList<SurveyResponse>& responses,
                                         const SurveyConfiguration& configuration)
{
    qint64 count = std::max<qint64>(configuration.questionCount, 1);
    for (const SurveyTemplateField& field : configuration.templateFields)
        count = std::max(count, field.number);
    QList<SurveyResponse> blanked;
    for (const SurveyResponse& response : responses) {
        SurveyResponse copy = response;
        copy.answers = QStringList(count, QLatin1String(kBlankAnswer));
        blanked << copy;
    }
    return blanked;
}

QString reviewKey(qint64 surveyNumber, qint64 pageNumber, qint64 questionNumber)
{
    return QStringLiteral("%1-%2-%3").arg(surveyNumber).arg(pageNumber).arg(questionNumber);
}

QHash<QString, QUrl> localReviewImageMap(const QList<QuestionReviewItem>& items)
{
    QHash<QString, QUrl> map;
    for (const QuestionReviewItem& item : items) {
        const QString key = reviewKey(item.surveyNumber, item.pageNumber, item.questionNumber);
        if (!map.contains(key))
            map.insert(key, item.imageURL);
    }
    return map;
}

double aiFirstThreshold(const QList<SurveyTemplateField>& fields, qint64 questionNumber,
                        double autoApplyConfidence)
{
    const std::optional<SurveyTemplateField> field = templateField(fields, questionNumber);
    if (field && field->detectionMode == SurveyDetectionMode::written)
        return kWrittenAutoFillConfidence;
    return autoApplyConfidence;
}
