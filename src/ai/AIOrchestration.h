#pragma once

#include "AITypes.h"
#include "model/QuestionReviewItem.h"
#include "model/ScanPage.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyResponse.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <functional>

class AIAnswerAnalysisService;
class AISettingsStore;

// The AI steps of a scan batch. They work on the batch's values and hand back
// new ones; the workflow store applies them. Status changes while a step runs
// are reported through the context's publish callback.

// The store's AI status line and counters.
struct AIStepStatus
{
    QString message = QStringLiteral("AI has not run this session.");
    qint64 attemptCount = 0;
    qint64 autoAppliedCount = 0;
    qint64 errorCount = 0;

    bool operator==(const AIStepStatus&) const = default;
};

// settings must be set; without a client the steps skip.
struct AIStepContext
{
    AISettingsStore* settings = nullptr; // mode, model, key, threshold; gets lastErrorMessage
    AIAnswerAnalysisService* client = nullptr;
    SurveyConfiguration configuration;                // template fields and question count
    AIStepStatus status;                              // the store's status when the step starts
    std::function<void(const AIStepStatus&)> publish; // may be empty
    QString reviewFolder; // for approximate crops; empty: beside each page
};

struct AIStepResult
{
    QList<SurveyResponse> responses;
    QList<QuestionReviewItem> reviewItems;
    AIStepStatus status;
};

// Hybrid and AI Review: sends up to the batch limit of review items, four at
// a time, and writes or attaches the answers.
QCoro::Task<AIStepResult> applyAIEnhancements(AIStepContext context,
                                              QList<SurveyResponse> responses,
                                              QList<QuestionReviewItem> reviewItems);

// AI First: every page is read by the model, one at a time, replacing the
// locally read answers. Takes the responses as the page reader read them:
// when the AI cannot run they are kept, with the reader's review items.
QCoro::Task<AIStepResult> applyAIFirstPageExtraction(AIStepContext context,
                                                     QList<SurveyResponse> responses,
                                                     QList<ScanPage> pages,
                                                     QList<QuestionReviewItem> localReviewItems);
