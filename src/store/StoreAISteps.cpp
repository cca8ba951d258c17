// The AI steps of a scan batch. Only the skip paths run here for now: the
// requests to the hosted model join these two steps with the AI client.
#include "SurveyScanStore.h"

#include "ai/AISettingsStore.h"

#include <algorithm>

namespace {
const QString notAnswered = QStringLiteral("N/A");
}

void SurveyScanStore::resetAIStatus()
{
    setLastAIStatusMessage(QStringLiteral("AI has not run for this batch."));
    setLastAIAttemptCount(0);
    setLastAIAutoAppliedCount(0);
    setLastAIErrorCount(0);
    if (m_aiSettings)
        m_aiSettings->setLastErrorMessage(std::nullopt);
}

QList<SurveyResponse>
SurveyScanStore::blankedAIResponses(const QList<SurveyResponse>& responses) const
{
    qint64 count = std::max<qint64>(m_configuration.questionCount, 1);
    for (const SurveyTemplateField& field : m_configuration.templateFields)
        count = std::max(count, field.number);
    QList<SurveyResponse> blanked = responses;
    for (SurveyResponse& response : blanked) {
        response.answers.clear();
        for (qint64 i = 0; i < count; ++i)
            response.answers.append(notAnswered);
    }
    return blanked;
}

QCoro::Task<SurveyScanStore::BatchAnswers>
SurveyScanStore::applyAIEnhancements(QList<SurveyResponse> responses,
                                     QList<QuestionReviewItem> reviewItems)
{
    const bool canUseAI = m_aiSettings && m_aiSettings->canUseAI();
    const bool hasKey = m_aiSettings && m_aiSettings->cachedAPIKey().has_value();
    if (!canUseAI || !hasKey) {
        if (!m_aiSettings || m_aiSettings->detectionMode() == AIDetectionMode::localOnly)
            setLastAIStatusMessage(QStringLiteral("AI skipped. Local-only mode is selected."));
        else if (!m_aiSettings->hasAPIKey())
            setLastAIStatusMessage(QStringLiteral("AI skipped. No OpenAI API key is saved."));
        else if (!m_aiSettings->sendsImagesToOpenAI())
            setLastAIStatusMessage(QStringLiteral("AI skipped. Image sending is disabled."));
        else
            setLastAIStatusMessage(QStringLiteral("AI skipped."));
        co_return BatchAnswers{responses, reviewItems};
    }
    // The crop requests join here with the AI client.
    setLastAIStatusMessage(QStringLiteral("AI skipped."));
    co_return BatchAnswers{responses, reviewItems};
}

QCoro::Task<SurveyScanStore::BatchAnswers>
SurveyScanStore::applyAIFirstPageExtraction(QList<SurveyResponse> responses, QList<ScanPage> pages,
                                            QList<QuestionReviewItem> localReviewItems)
{
    Q_UNUSED(pages);
    const bool canUseAI = m_aiSettings && m_aiSettings->canUseAI();
    const bool hasKey = m_aiSettings && m_aiSettings->cachedAPIKey().has_value();
    if (!canUseAI || !hasKey) {
        // Without the model the batch keeps what the reader found (the flow
        // did not blank it) and its review items.
        setLastAIStatusMessage(m_aiSettings && !m_aiSettings->hasAPIKey()
                                   ? QStringLiteral("AI First skipped. No OpenAI API key is saved.")
                                   : QStringLiteral("AI First skipped."));
        co_return BatchAnswers{responses, localReviewItems};
    }
    // The page requests join here with the AI client.
    setLastAIStatusMessage(QStringLiteral("AI First skipped."));
    co_return BatchAnswers{responses, localReviewItems};
}
