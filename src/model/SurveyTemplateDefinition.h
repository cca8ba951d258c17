#pragma once

#include "SurveyConfiguration.h"

#include <QMap>
#include <QStringList>

// The page reader's view of the template: question number to text, kind and
// ordered option labels.
struct SurveyTemplateDefinition
{
    enum class QuestionKind { singleChoice, multipleChoice, written, unknown };

    struct Question
    {
        QString text;
        QuestionKind kind = QuestionKind::unknown;
        QStringList options;

        bool operator==(const Question&) const = default;
    };

    QMap<qint64, Question> questions;

    SurveyTemplateDefinition() = default;
    explicit SurveyTemplateDefinition(const SurveyConfiguration& configuration);

    // Largest question number, 0 when empty.
    qint64 largestQuestionNumber() const;

    // The fourteen built-in questions, built once and shared.
    static const QMap<qint64, Question>& krdaQuestions();
};
