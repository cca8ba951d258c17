#include "SurveyTemplateDefinition.h"

#include "BuiltInTemplate.h"

namespace {
SurveyTemplateDefinition::QuestionKind kindFor(SurveyDetectionMode mode)
{
    switch (mode) {
    case SurveyDetectionMode::singleChoice:
        return SurveyTemplateDefinition::QuestionKind::singleChoice;
    case SurveyDetectionMode::multipleChoice:
        return SurveyTemplateDefinition::QuestionKind::multipleChoice;
    case SurveyDetectionMode::written:
        return SurveyTemplateDefinition::QuestionKind::written;
    case SurveyDetectionMode::ignore:
        break;
    }
    return SurveyTemplateDefinition::QuestionKind::unknown;
}

QMap<qint64, SurveyTemplateDefinition::Question>
questionsFrom(const QList<SurveyTemplateField>& fields)
{
    QMap<qint64, SurveyTemplateDefinition::Question> map;
    for (const SurveyTemplateField& field : fields) {
        if (field.number < 1 || field.detectionMode == SurveyDetectionMode::ignore)
            continue;
        map.insert(field.number, {field.prompt, kindFor(field.detectionMode), field.options()});
    }
    return map;
}
} // namespace

SurveyTemplateDefinition::SurveyTemplateDefinition(const SurveyConfiguration& configuration)
    : questions(questionsFrom(configuration.templateFields))
{
    if (questions.isEmpty() && configuration.templatePreset == SurveyTemplate::krda2026)
        questions = krdaQuestions();
}

qint64 SurveyTemplateDefinition::largestQuestionNumber() const
{
    return questions.isEmpty() ? 0 : questions.lastKey();
}

const QMap<qint64, SurveyTemplateDefinition::Question>& SurveyTemplateDefinition::krdaQuestions()
{
    static const QMap<qint64, Question> catalogue = questionsFrom(krdaTemplateFields());
    return catalogue;
}
