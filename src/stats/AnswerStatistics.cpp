#include "AnswerStatistics.h"

#include "model/NaturalOrder.h"

#include <QHash>
#include <algorithm>

qint64 QuestionStatistic::answeredCount() const
{
    qint64 total = 0;
    for (const AnswerCount& entry : counts) {
        if (entry.answer != notAnsweredText())
            total += entry.count;
    }
    return total;
}

QList<AnswerCount> QuestionStatistic::chartEntries() const
{
    QList<AnswerCount> entries;
    for (const AnswerCount& entry : counts) {
        if (entry.count >= 1)
            entries.append(entry);
    }
    return entries;
}

QList<AnswerCount> QuestionStatistic::legendEntries() const
{
    return counts.mid(0, maximumLegendEntries);
}

QString normalizedCell(const QString& cell)
{
    const QString trimmed = cell.trimmed();
    return trimmed.isEmpty() ? notAnsweredText() : trimmed;
}

QString questionText(const QList<SurveyQuestion>& detectedQuestions, qint64 number)
{
    for (const SurveyQuestion& question : detectedQuestions) {
        if (question.number == number)
            return question.text;
    }
    return QStringLiteral("Question %1").arg(number);
}

qint64 statisticsQuestionCount(const QList<SurveyTemplateField>& fields,
                               const QList<SurveyResponse>& responses)
{
    qint64 count = 0;
    for (const SurveyTemplateField& field : fields)
        count = std::max(count, field.number);
    for (const SurveyResponse& response : responses)
        count = std::max(count, qint64(response.answers.size()));
    return count;
}

bool answerCountBefore(const AnswerCount& a, const AnswerCount& b)
{
    const bool aMissing = a.answer == notAnsweredText();
    const bool bMissing = b.answer == notAnsweredText();
    if (aMissing != bMissing)
        return bMissing;
    if (a.count != b.count)
        return a.count > b.count;
    return naturalLess(a.answer, b.answer);
}

namespace {

const SurveyTemplateField* firstFieldNumbered(const QList<SurveyTemplateField>& fields,
                                              qint64 number)
{
    for (const SurveyTemplateField& field : fields) {
        if (field.number == number)
            return &field;
    }
    return nullptr;
}

QList<AnswerCount> countAnswers(const QList<SurveyResponse>& responses, qint64 number)
{
    // Grouping keeps the first-seen order so that answers the collator deems
    // equal still come out in a stable order.
    QList<AnswerCount> counts;
    QHash<QString, qsizetype> indexOf;
    for (const SurveyResponse& response : responses) {
        const qsizetype index = number - 1;
        const QString value = index < response.answers.size()
                                  ? normalizedCell(response.answers.at(index))
                                  : notAnsweredText();
        const auto found = indexOf.constFind(value);
        if (found != indexOf.cend()) {
            ++counts[*found].count;
        } else {
            indexOf.insert(value, counts.size());
            counts.append({value, 1});
        }
    }
    std::stable_sort(counts.begin(), counts.end(), answerCountBefore);
    return counts;
}

} // namespace

QList<QuestionStatistic> answerStatistics(const SurveyConfiguration& configuration,
                                          const QList<SurveyResponse>& responses,
                                          const QList<SurveyQuestion>& detectedQuestions)
{
    QList<QuestionStatistic> statistics;
    const qint64 questionCount = statisticsQuestionCount(configuration.templateFields, responses);
    for (qint64 number = 1; number <= questionCount; ++number) {
        QuestionStatistic statistic;
        statistic.number = number;
        if (const SurveyTemplateField* field =
                firstFieldNumbered(configuration.templateFields, number)) {
            statistic.prompt = field->prompt;
            statistic.mode = field->detectionMode;
        } else {
            statistic.prompt = questionText(detectedQuestions, number);
        }
        statistic.totalResponses = responses.size();
        statistic.counts = countAnswers(responses, number);
        statistics.append(statistic);
    }
    return statistics;
}

qint64 answeredCellCount(const QList<SurveyResponse>& responses)
{
    qint64 total = 0;
    for (const SurveyResponse& response : responses) {
        for (const QString& cell : response.answers) {
            if (normalizedCell(cell) != notAnsweredText())
                ++total;
        }
    }
    return total;
}

qint64 naCellCount(const QList<SurveyResponse>& responses)
{
    qint64 total = 0;
    for (const SurveyResponse& response : responses) {
        for (const QString& cell : response.answers) {
            if (normalizedCell(cell) == notAnsweredText())
                ++total;
        }
    }
    return total;
}
