#include "ReviewAnswerText.h"

#include <QRegularExpression>

namespace {

QStringList pieces(const QString& answer)
{
    static const QRegularExpression separators(QStringLiteral("[;\\n|]"));
    QStringList result;
    for (const QString& piece : answer.split(separators)) {
        const QString trimmed = piece.trimmed();
        if (!trimmed.isEmpty())
            result.append(trimmed);
    }
    return result;
}

qsizetype optionIndex(const QStringList& options, const QString& piece)
{
    for (qsizetype i = 0; i < options.size(); ++i) {
        if (options[i].compare(piece, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

QStringList selectedOptions(const QString& answer, const QStringList& options)
{
    QList<bool> chosen(options.size(), false);
    for (const QString& piece : pieces(answer)) {
        const qsizetype index = optionIndex(options, piece);
        if (index >= 0)
            chosen[index] = true;
    }
    QStringList result;
    for (qsizetype i = 0; i < options.size(); ++i) {
        if (chosen[i])
            result.append(options[i]);
    }
    return result;
}

QString toggledOption(const QString& answer, const QStringList& options, const QString& option)
{
    QStringList selected = selectedOptions(answer, options);
    QStringList others;
    for (const QString& piece : pieces(answer)) {
        if (optionIndex(options, piece) < 0 && !others.contains(piece))
            others.append(piece);
    }
    if (selected.contains(option))
        selected.removeAll(option);
    else
        selected.append(option);
    QStringList ordered;
    for (const QString& candidate : options) {
        if (selected.contains(candidate) && !ordered.contains(candidate))
            ordered.append(candidate);
    }
    return (ordered + others).join(QStringLiteral("; "));
}

QString selectionCountText(qsizetype count)
{
    return QString::number(count) + QStringLiteral(" answers selected");
}

QStringList choiceOptions(const std::optional<SurveyTemplateField>& field)
{
    if (!field || (field->detectionMode != SurveyDetectionMode::singleChoice &&
                   field->detectionMode != SurveyDetectionMode::multipleChoice))
        return {};
    return field->options();
}
