#include "BenchScoring.h"

#include "model/SurveyTemplateDefinition.h"

#include <QSet>
#include <algorithm>

AccuracyScore scoreReading(const SampleSet& set, const SurveyExtractionResult& result)
{
    using Kind = SurveyTemplateDefinition::QuestionKind;
    const auto& questions = SurveyTemplateDefinition::krdaQuestions();
    QSet<QPair<qint64, qint64>> reviewed;
    for (const QuestionReviewItem& item : result.reviewItems)
        reviewed.insert({item.surveyNumber, item.questionNumber});

    AccuracyScore score;
    for (const SampleAnswerSheet& sheet : set.sheets) {
        const QStringList expected = expectedAnswers(sheet);
        QStringList read;
        for (const SurveyResponse& response : result.responses) {
            if (response.surveyNumber == sheet.surveyNumber)
                read = response.answers;
        }
        for (qint64 n = 1; n <= 14; ++n) {
            const QString cell = read.value(n - 1, QStringLiteral("N/A"));
            const bool isReviewed = reviewed.contains({sheet.surveyNumber, n});
            const bool correct = answerMatches(expected[n - 1], cell);
            ++score.cells;
            score.reviewedCells += isReviewed ? 1 : 0;
            if (questions.value(n).kind == Kind::written) {
                ++score.writtenCells;
                score.writtenCorrect += correct ? 1 : 0;
                continue;
            }
            ++score.choiceCells;
            if (correct) {
                ++score.choiceCorrect;
                continue;
            }
            score.silentErrors += isReviewed ? 0 : 1;
            const SampleAnswer& answer = sheet.answers.at(n - 1);
            score.wrong.append({sheet.surveyNumber, n, expected[n - 1], cell,
                                answer.chosen.isEmpty() ? QString() : markStyleName(answer.style),
                                isReviewed});
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
