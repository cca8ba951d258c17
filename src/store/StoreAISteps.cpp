// The AI steps of a scan batch: the store hands the batch's values to the AI
// orchestration and shows its status line and counters while it runs.
#include "SurveyScanStore.h"

#include "ai/AIOrchestration.h"
#include "ai/AISettingsStore.h"

#include <QPointer>

void SurveyScanStore::resetAIStatus()
{
    setLastAIStatusMessage(QStringLiteral("AI has not run for this batch."));
    setLastAIAttemptCount(0);
    setLastAIAutoAppliedCount(0);
    setLastAIErrorCount(0);
    if (m_aiSettings)
        m_aiSettings->setLastErrorMessage(std::nullopt);
}

AIStepContext SurveyScanStore::makeAIStepContext()
{
    AIStepContext context;
    context.settings = m_aiSettings;
    context.client = m_aiAnswerService;
    context.configuration = m_configuration;
    context.status = AIStepStatus{m_lastAIStatusMessage, m_lastAIAttemptCount,
                                  m_lastAIAutoAppliedCount, m_lastAIErrorCount};
    // The step's status shows as it changes; the store may be gone when a
    // request returns, so the step holds only a watched pointer to it.
    context.publish = [self = QPointer<SurveyScanStore>(this)](const AIStepStatus& status) {
        if (!self)
            return;
        self->setLastAIStatusMessage(status.message);
        self->setLastAIAttemptCount(status.attemptCount);
        self->setLastAIAutoAppliedCount(status.autoAppliedCount);
        self->setLastAIErrorCount(status.errorCount);
    };
    return context;
}

QCoro::Task<SurveyScanStore::BatchAnswers>
SurveyScanStore::applyAIEnhancements(QList<SurveyResponse> responses,
                                     QList<QuestionReviewItem> reviewItems)
{
    if (!m_aiSettings) {
        setLastAIStatusMessage(QStringLiteral("AI skipped. Local-only mode is selected."));
        co_return BatchAnswers{responses, reviewItems};
    }
    const AIStepContext context = makeAIStepContext();
    const AIStepResult result = co_await ::applyAIEnhancements(context, responses, reviewItems);
    co_return BatchAnswers{result.responses, result.reviewItems};
}

QCoro::Task<SurveyScanStore::BatchAnswers>
SurveyScanStore::applyAIFirstPageExtraction(QList<SurveyResponse> responses, QList<ScanPage> pages,
                                            QList<QuestionReviewItem> localReviewItems)
{
    if (!m_aiSettings) {
        setLastAIStatusMessage(QStringLiteral("AI First skipped."));
        co_return BatchAnswers{responses, localReviewItems};
    }
    // Without the model the batch keeps what the reader found (the flow did
    // not blank it) and its review items; with it, the answers are blanked
    // (again, harmlessly) and come back only from the model.
    const AIStepContext context = makeAIStepContext();
    const AIStepResult result =
        co_await ::applyAIFirstPageExtraction(context, responses, pages, localReviewItems);
    co_return BatchAnswers{result.responses, result.reviewItems};
}
