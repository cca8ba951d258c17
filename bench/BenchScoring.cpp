#include "BenchScoring.h"

#include "model/SurveyTemplateDefinition.h"

#include <QSet>
#include <algorithm>

namespace {

using Kind = SurveyTemplateDefinition::QuestionKind;

QStringList labelSet(const QString& cell)
{
    QStringList labels;
    for (const QString& piece : cell.split(QLatin1Char(';'))) {
        if (!piece.trimmed().isEmpty())
            labels.append(piece.trimmed());
    }
    std::sort(labels.begin(), labels.end());
    labels.erase(std::unique(labels.begin(), labels.end()), labels.end());
    return labels;
}

void count(CellTally& tally, bool correct, bool reviewed)
{
    ++tally.cells;
    tally.reviewed += reviewed ? 1 : 0;
    if (correct)
        ++tally.correct;
    else if (reviewed)
        ++tally.wrongFlagged;
    else
        ++tally.silent;
}

// Each printed question of the survey's form, both sides.
QMap<qint64, FormQuestion> printedQuestions(const SampleSet& set, qint64 surveyNumber)
{
    const SampleRenderOptions print = surveyPrint(set, surveyNumber);
    QMap<qint64, FormQuestion> printed;
    for (SurveySide side : {SurveySide::front, SurveySide::back}) {
        for (const FormQuestion& question : layoutSurveyPage(side, print.dpi, print.form).questions)
            printed.insert(question.number, question);
    }
    return printed;
}

} // namespace

bool sameLabels(const QString& expected, const QString& read)
{
    return labelSet(expected) == labelSet(read);
}

AccuracyScore scoreReading(const SampleSet& set, const SurveyExtractionResult& result)
{
    const auto& questions = SurveyTemplateDefinition::krdaQuestions();
    QMap<QPair<qint64, qint64>, QString> reviewed;
    for (const QuestionReviewItem& item : result.reviewItems)
        reviewed.insert({item.surveyNumber, item.questionNumber},
                        item.reviewNote.value_or(item.prompt));

    AccuracyScore score;
    for (const SampleAnswerSheet& sheet : set.sheets) {
        const QStringList expected = expectedAnswers(sheet);
        // A survey missing from the reading has no cells: all of them silent.
        std::optional<QStringList> read;
        for (const SurveyResponse& response : result.responses) {
            if (response.surveyNumber == sheet.surveyNumber)
                read = response.answers;
        }
        const QMap<qint64, FormQuestion> printed = printedQuestions(set, sheet.surveyNumber);
        const double dpi = surveyPrint(set, sheet.surveyNumber).dpi;
        for (qint64 n = 1; n <= 14; ++n) {
            const QString truth = expected.value(n - 1);
            const std::optional<QString> cell =
                read ? std::optional(read->value(n - 1)) : std::nullopt;
            const bool isReviewed = reviewed.contains({sheet.surveyNumber, n});
            const bool ambiguous = truth == QLatin1String("AMBIGUOUS");
            const bool correct = cell && (ambiguous ? isReviewed : sameLabels(truth, *cell));
            const SampleAnswer& answer = sheet.answers.at(n - 1);
            const bool written = questions.value(n).kind == Kind::written;
            count(score.all, correct, isReviewed);
            count(written ? score.written : score.choice, correct, isReviewed);
            const QString style = written                   ? QStringLiteral("handwriting")
                                  : answer.chosen.isEmpty() ? QStringLiteral("blank")
                                                            : markStyleName(answer.style);
            if (!written) {
                count(score.byMarkStyle[ambiguous ? QStringLiteral("two marks") : style], correct,
                      isReviewed);
                count(score.byPen[penName(sheet.pen)], correct, isReviewed);
                count(score.byDpi[QStringLiteral("%1 dpi").arg(dpi)], correct, isReviewed);
                const FormQuestion& question = printed[n];
                const bool boxes =
                    !question.options.isEmpty() && question.options.first().box.has_value();
                count(score.byLayout[arrangementName(question.arrangement) +
                                     (boxes ? QStringLiteral(", boxes")
                                            : QStringLiteral(", bare labels"))],
                      correct, isReviewed);
            }
            const QString note = reviewed.value({sheet.surveyNumber, n});
            if (!correct)
                score.wrong.append({sheet.surveyNumber, n, truth,
                                    cell.value_or(QStringLiteral("(survey missing)")), style,
                                    isReviewed, note});
            else if (isReviewed && !written && !ambiguous)
                score.reviewedRight.append(
                    {sheet.surveyNumber, n, truth, *cell, style, true, note});
        }
    }
    return score;
}

double medianOf(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}
