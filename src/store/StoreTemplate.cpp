// Template editing: presets, row edits, additions and deletions.
#include "SurveyScanStore.h"

#include "SurveyMerging.h"

void SurveyScanStore::applyTemplatePreset(SurveyTemplate preset)
{
    SurveyConfiguration configuration = m_configuration;
    configuration.templatePreset = preset;
    configuration.templateFields = SurveyTemplateField::defaults(preset);
    configuration.questionCount = 14;
    setConfiguration(configuration);

    QList<SurveyQuestion> questions;
    for (const SurveyTemplateField& field : m_configuration.templateFields)
        questions.append({field.number, field.prompt});
    setDetectedQuestions(questions);
    persistAfterEdit();
    setStatusMessage(QStringLiteral("Template set to %1.").arg(rawValue(preset)));
}

void SurveyScanStore::updateTemplateField(const SurveyTemplateField& field)
{
    if (field.number < 1)
        return;
    SurveyConfiguration configuration = m_configuration;
    auto& fields = configuration.templateFields;
    auto it = std::find_if(fields.begin(), fields.end(),
                           [&](auto& f) { return f.number == field.number; });
    if (it != fields.end())
        *it = field;
    else
        fields.append(field);
    fields = normalizedTemplateFields(fields);
    configuration.templatePreset = SurveyTemplate::custom;
    configuration.questionCount =
        std::max(configuration.questionCount, questionCountForTemplate(fields));
    setConfiguration(configuration);
    setDetectedQuestions(mergeQuestions(m_detectedQuestions, {{field.number, field.prompt}}));
    persistAfterEdit();
}

void SurveyScanStore::addTemplateField()
{
    SurveyConfiguration configuration = m_configuration;
    qint64 largest = 0;
    for (const SurveyTemplateField& field : configuration.templateFields)
        largest = std::max(largest, field.number);
    const qint64 number = largest + 1;
    configuration.templateFields.append({number, QStringLiteral("Question %1").arg(number),
                                         SurveyDetectionMode::singleChoice, QString()});
    configuration.templatePreset = SurveyTemplate::custom;
    configuration.questionCount = std::max(configuration.questionCount, number);
    configuration.templateFields = normalizedTemplateFields(configuration.templateFields);
    setConfiguration(configuration);
    // The new row's prompt is generic, so the CSV headers do not change.
    persistAfterEdit(false);
    setStatusMessage(QStringLiteral("Added question %1 to the template.").arg(number));
}

void SurveyScanStore::deleteTemplateField(const SurveyTemplateField& field)
{
    const qint64 number = field.number;
    SurveyConfiguration configuration = m_configuration;
    configuration.templateFields.removeIf(
        [&](const SurveyTemplateField& f) { return f.number == number; });
    configuration.templatePreset = SurveyTemplate::custom;
    configuration.questionCount = questionCountForTemplate(configuration.templateFields);
    setConfiguration(configuration);

    auto questions = m_detectedQuestions;
    questions.removeIf([&](const SurveyQuestion& q) { return q.number == number; });
    setDetectedQuestions(questions);
    persistAfterEdit();
    setStatusMessage(QStringLiteral("Removed question %1 from the template.").arg(number));
}
