#pragma once

#include "ScriptedAIClient.h"
#include "TestSupport.h"

#include "ai/AIOrchestration.h"
#include "ai/AIReviewRules.h"
#include "ai/AISettingsStore.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Values and a fixture shared by the AI step tests: real settings in a
// temporary file, a scripted AI client, and every published status kept.
namespace aisteps {

inline const QString kKey = QStringLiteral("sk-orchestration-test-key-123456");
using testsupport::mapped;
using testsupport::runTask;

inline SurveyTemplateField field(qint64 number, SurveyDetectionMode mode,
                                 const QString& options = {})
{
    return SurveyTemplateField{number, QStringLiteral("Prompt %1").arg(number), mode, options};
}

inline QList<SurveyTemplateField> choiceFields(qint64 count)
{
    QList<SurveyTemplateField> fields;
    for (qint64 n = 1; n <= count; ++n)
        fields << field(n, SurveyDetectionMode::singleChoice);
    return fields;
}

inline QuestionReviewItem reviewItem(qint64 survey, qint64 question, const QString& suggested = {})
{
    QuestionReviewItem item;
    item.surveyNumber = survey;
    item.pageNumber = survey;
    item.questionNumber = question;
    item.prompt = QStringLiteral("Prompt %1").arg(question);
    item.suggestedText = suggested;
    item.confidence = 0.4;
    item.imageURL = QUrl::fromLocalFile(QStringLiteral("/nonexistent/crop-%1.png").arg(question));
    return item;
}

// An item as one line, "Q2 suggested|entered|note", so a queue compares at once.
inline QStringList lines(const QList<QuestionReviewItem>& items)
{
    return mapped(items, [](const QuestionReviewItem& item) {
        return QStringLiteral("Q%1 %2|%3|%4")
            .arg(item.questionNumber)
            .arg(item.suggestedText, item.enteredText, item.reviewNote.value_or("-"));
    });
}

inline SurveyResponse response(qint64 survey, qint64 count,
                               const QString& fill = QStringLiteral("N/A"))
{
    return SurveyResponse{survey, QDateTime::fromSecsSinceEpoch(1'700'000'000),
                          QStringList(count, fill)};
}

inline AIAnswerSuggestion suggestion(const QString& answer, double confidence,
                                     bool needsReview = false, const QString& rationale = {})
{
    return AIAnswerSuggestion{answer, confidence, needsReview, rationale};
}

inline AIPageAnswer pageAnswer(qint64 question, const QString& answer, double confidence,
                               bool visible = true, const QString& rationale = {})
{
    return AIPageAnswer{question, answer, confidence, confidence < 0.9, visible, rationale};
}

class AIOrchestrationTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    AISettingsStore settings{dir.filePath(QStringLiteral("prefs.ini"))};
    ScriptedAIClient client;
    QList<AIStepStatus> published;

    void SetUp() override
    {
        settings.saveAPIKey(kKey);
        settings.setClient(&client);
    }

    AIStepContext context(QList<SurveyTemplateField> fields = {})
    {
        AIStepContext context;
        context.settings = &settings;
        context.client = &client;
        if (!fields.isEmpty())
            context.configuration.templateFields = fields;
        context.publish = [this](const AIStepStatus& status) { published << status; };
        context.reviewFolder = dir.filePath(QStringLiteral("review"));
        return context;
    }

    QStringList publishedMessages() const { return mapped(published, &AIStepStatus::message); }

    // A blank page of the given size, as the scanner would have written it.
    ScanPage page(qint64 survey, qint64 number, QSize size = QSize(85, 110))
    {
        ScanPage page;
        page.surveyNumber = survey;
        page.pageNumber = number;
        page.fileURL = QUrl::fromLocalFile(testsupport::writePageImage(
            dir.filePath(QStringLiteral("page-%1-%2.png").arg(survey).arg(number)), size));
        return page;
    }
};

} // namespace aisteps
