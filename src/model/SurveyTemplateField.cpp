#include "SurveyTemplateField.h"

#include "BuiltInTemplate.h"


QStringList splitOptionsText(const QString& optionsText)
{
    QStringList result;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= optionsText.size(); ++i) {
        if (i == optionsText.size() || optionsText.at(i) == QLatin1Char('\n') ||
            optionsText.at(i) == QLatin1Char(';')) {
            const QString piece = optionsText.mid(start, i - start).trimmed();
            if (!piece.isEmpty())
                result.append(piece);
            start = i + 1;
        }
    }
    return result;
}

QStringList SurveyTemplateField::options() const
{
    return splitOptionsText(optionsText);
}

QList<SurveyTemplateField> SurveyTemplateField::defaults(SurveyTemplate preset)
{
    if (preset == SurveyTemplate::krda2026)
        return krdaTemplateFields();
    QList<SurveyTemplateField> fields;
    for (qint64 n = 1; n <= 14; ++n)
        fields.append({n, QStringLiteral("Question %1").arg(n), SurveyDetectionMode::singleChoice,
                       QString()});
    return fields;
}
