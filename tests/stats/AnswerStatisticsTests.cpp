#include "stats/AnswerStatistics.h"
#include "stats/SummaryMetrics.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

SurveyResponse response(qint64 number, QStringList answers)
{
    return {number, QDateTime(), std::move(answers)};
}

SurveyConfiguration configurationWith(QList<SurveyTemplateField> fields)
{
    SurveyConfiguration configuration;
    configuration.templateFields = std::move(fields);
    return configuration;
}

// One response per cell, each answering question 1 only.
QList<SurveyResponse> column(const QStringList& cells)
{
    QList<SurveyResponse> responses;
    for (const QString& cell : cells)
        responses.append(response(responses.size() + 1, {cell}));
    return responses;
}

QList<AnswerCount> countsOf(const QStringList& cells)
{
    const auto statistics = answerStatistics(configurationWith({}), column(cells), {});
    return statistics.isEmpty() ? QList<AnswerCount>{} : statistics.first().counts;
}

} // namespace

// N/A is the most frequent answer and still comes last; equal counts compare
// numbers by value, and case does not decide the order. Cells group by their
// exact, case-sensitive text, combined answers kept whole.
TEST(AnswerStatisticsTest, OrdersByCountThenNaturallyWithNALastAndGroupsExactText)
{
    const QList<AnswerCount> expected = {
        {"Yes", 3}, {"Grade 9", 2}, {"Grade 10", 2}, {"apple", 1}, {"Banana", 1}, {"N/A", 4},
    };
    EXPECT_EQ(countsOf({"Grade 10", "", "Yes", "Banana", "Grade 9", "  ", "Yes", "N/A", "Grade 10",
                        "apple", "Grade 9", "Yes", "\n"}),
              expected);

    const auto counts =
        countsOf({"Writing; Teamwork", "yes", " Writing; Teamwork ", "YES", "Writing"});
    ASSERT_EQ(counts.size(), 4);
    EXPECT_EQ(counts.mid(0, 2), (QList<AnswerCount>{{"Writing; Teamwork", 2}, {"Writing", 1}}));
    // "YES" and "yes" are distinct answers; the collator does not tell them apart.
    EXPECT_EQ((QSet<QString>{counts[2].answer, counts[3].answer}), (QSet<QString>{"YES", "yes"}));
    EXPECT_EQ(counts[2].count * counts[3].count, 1);
}

TEST(AnswerStatisticsTest, QuestionsBeyondTheTemplateTakeDetectedTextsAndNoMode)
{
    QList<SurveyTemplateField> fields;
    for (qint64 n = 1; n <= 10; ++n)
        fields.append(
            {n, QStringLiteral("Prompt %1").arg(n), SurveyDetectionMode::singleChoice, "Yes;No"});
    QStringList twelve;
    for (int i = 0; i < 12; ++i)
        twelve.append(QStringLiteral("A%1").arg(i + 1));
    const QList<SurveyQuestion> detected = {
        {11, "Detected eleven"}, {11, "Second eleven"}, {3, "Not used, a field has it"}};

    const auto statistics = answerStatistics(configurationWith(fields),
                                             {response(1, twelve), response(2, {"Yes"})}, detected);

    ASSERT_EQ(statistics.size(), 12);
    EXPECT_EQ(statistics.at(2).prompt, "Prompt 3");
    EXPECT_EQ(statistics.at(2).mode, SurveyDetectionMode::singleChoice);
    EXPECT_EQ(statistics.at(10).number, 11);
    EXPECT_EQ(statistics.at(10).prompt, "Detected eleven");
    EXPECT_FALSE(statistics.at(10).mode.has_value());
    EXPECT_EQ(statistics.at(11).prompt, "Question 12");
    // The short response contributes N/A to the questions it lacks.
    const QList<AnswerCount> expected = {{"A12", 1}, {"N/A", 1}};
    EXPECT_EQ(statistics.at(11).counts, expected);
    EXPECT_EQ(statistics.at(11).totalResponses, 2);
    EXPECT_EQ(statistics.at(11).answeredCount(), 1);
}

// Template fields decide prompt and mode even when ignored or empty; the
// question count follows the fields and answers, not the configured count.
TEST(AnswerStatisticsTest, TemplateFieldsDecidePromptModeAndCountEvenWhenIgnoredOrEmpty)
{
    const QList<SurveyTemplateField> fields = {
        {2, QString(), SurveyDetectionMode::written, QString()},
        {1, "Office use", SurveyDetectionMode::ignore, QString()},
        {1, "Duplicate", SurveyDetectionMode::singleChoice, QString()},
    };
    const auto statistics =
        answerStatistics(configurationWith(fields), {response(1, {"X"})}, {{2, "Detected two"}});
    ASSERT_EQ(statistics.size(), 2);
    EXPECT_EQ(statistics.at(0).prompt, "Office use");
    EXPECT_EQ(statistics.at(0).mode, SurveyDetectionMode::ignore);
    EXPECT_EQ(statistics.at(0).counts, (QList<AnswerCount>{{"X", 1}}));
    EXPECT_EQ(statistics.at(1).prompt, QString());
    EXPECT_EQ(statistics.at(1).mode, SurveyDetectionMode::written);
    EXPECT_EQ(statistics.at(1).counts, (QList<AnswerCount>{{"N/A", 1}}));

    SurveyConfiguration configuration = configurationWith({});
    configuration.questionCount = 14;
    EXPECT_TRUE(answerStatistics(configuration, {}, {}).isEmpty());
    EXPECT_TRUE(answerStatistics(configuration, {response(1, {})}, {}).isEmpty());

    configuration.templateFields = {{3, "Three", SurveyDetectionMode::written, {}}};
    const auto third = answerStatistics(configuration, {}, {});
    ASSERT_EQ(third.size(), 3);
    EXPECT_EQ(third.at(0).prompt, "Question 1");
    EXPECT_EQ(third.at(0).totalResponses, 0);
    EXPECT_TRUE(third.at(0).counts.isEmpty());
}

// Only existing cells count; unequal counts, so that swapping the two rules shows.
TEST(AnswerStatisticsTest, SummaryTilesCountExistingCellsOnly)
{
    const QList<SurveyResponse> responses = {response(1, {"Yes", "", " ", "N/A", "7th"}),
                                             response(2, {"No", "Maybe"}), response(3, {})};
    const QList<StatisticMetric> expected = {
        {"Surveys", "3", "doc.text"},
        {"Answered Cells", "4", "checkmark.circle"},
        {"N/A Cells", "3", "minus.circle"},
        {"Review Queue", "1234", "text.viewfinder"},
    };
    EXPECT_EQ(summaryMetrics(responses, 1234), expected);
    EXPECT_EQ(statisticsSubtitle("KRDA 2026"), "Question-by-question summary for KRDA 2026");
}

TEST(AnswerStatisticsTest, ChartKeepsEveryAnswerAndLegendStopsAtEight)
{
    QStringList cells;
    for (int i = 1; i <= 10; ++i)
        cells.append(QStringLiteral("Option %1").arg(i));
    cells.append(QString());
    const auto statistics = answerStatistics(configurationWith({}), column(cells), {});
    ASSERT_EQ(statistics.size(), 1);
    const QuestionStatistic& statistic = statistics.first();
    EXPECT_EQ(statistic.chartEntries().size(), 11);
    EXPECT_EQ(statistic.chartEntries().last().answer, "N/A");
    const auto legend = statistic.legendEntries();
    ASSERT_EQ(legend.size(), 8);
    EXPECT_EQ(legend.first().answer, "Option 1");
    EXPECT_EQ(legend.last().answer, "Option 8");

    QuestionStatistic withZero{1, {}, std::nullopt, 1, {{"A", 1}, {"B", 0}}};
    EXPECT_EQ(withZero.chartEntries().size(), 1);
}
