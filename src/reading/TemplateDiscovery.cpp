#include "TemplateDiscovery.h"

#include <QMap>
#include <algorithm>

namespace {
QString genericPrompt(qint64 number)
{
    return QStringLiteral("Question %1").arg(number);
}
} // namespace

SurveyConfiguration makeTemplateDiscoveryConfiguration(const SurveyConfiguration& configuration)
{
    SurveyConfiguration discovery = configuration;
    discovery.questionCount = std::max<qint64>(60, configuration.questionCount);
    discovery.templatePreset = SurveyTemplate::custom;
    discovery.templateFields.clear();
    for (qint64 n = 1; n <= discovery.questionCount; ++n)
        discovery.templateFields.append(
            {n, genericPrompt(n), SurveyDetectionMode::singleChoice, QString()});
    return discovery;
}

SurveyDetectionMode inferredDetectionMode(const QString& wording)
{
    const QString lower = wording.toLower();
    if (lower.contains(QLatin1String("check all")))
        return SurveyDetectionMode::multipleChoice;
    static const char* const writtenHints[] = {"why",     "explain",    "favorite",
                                               "hardest", "suggestion", "other:"};
    for (const char* hint : writtenHints) {
        if (lower.contains(QLatin1String(hint)))
            return SurveyDetectionMode::written;
    }
    return SurveyDetectionMode::singleChoice;
}

QList<SurveyQuestion> usefulTemplateDetections(const QList<SurveyQuestion>& detected)
{
    QList<SurveyQuestion> useful;
    for (const SurveyQuestion& question : detected) {
        const QString text = question.text.trimmed();
        if (text.isEmpty() ||
            text.compare(genericPrompt(question.number), Qt::CaseInsensitive) == 0)
            continue;
        useful.append({question.number, text});
    }
    return useful;
}

SurveyConfiguration applyDetectedQuestions(const SurveyConfiguration& configuration,
                                           const QList<SurveyQuestion>& detected)
{
    QMap<qint64, SurveyTemplateField> existing;
    qint64 largestExisting = 0;
    for (const SurveyTemplateField& field : configuration.templateFields) {
        if (!existing.contains(field.number))
            existing.insert(field.number, field);
        largestExisting = std::max(largestExisting, field.number);
    }
    QMap<qint64, QString> wording;
    qint64 largestDetected = 0;
    for (const SurveyQuestion& question : usefulTemplateDetections(detected)) {
        wording.insert(question.number, question.text);
        largestDetected = std::max(largestDetected, question.number);
    }

    // The template never shrinks.
    const qint64 count =
        std::max({qint64(1), largestDetected, configuration.questionCount, largestExisting});
    QList<SurveyTemplateField> fields;
    for (qint64 n = 1; n <= count; ++n) {
        const QString words = wording.value(n);
        SurveyTemplateField field = existing.value(
            n, SurveyTemplateField{n, genericPrompt(n), inferredDetectionMode(words), QString()});
        if (!words.isEmpty()) {
            field.prompt = words;
            if (field.optionsText.trimmed().isEmpty())
                field.detectionMode = inferredDetectionMode(words);
        }
        fields.append(field);
    }

    SurveyConfiguration result = configuration;
    result.templateFields = fields;
    result.templatePreset = SurveyTemplate::custom;
    result.questionCount = count;
    return result;
}
