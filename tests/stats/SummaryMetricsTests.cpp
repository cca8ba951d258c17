#include "stats/SummaryMetrics.h"

#include <gtest/gtest.h>

TEST(SummaryMetricsTest, FourTilesInOrderWithPlainNumbers)
{
    const QList<SurveyResponse> responses = {{1, QDateTime(), {"Yes", "", "No"}},
                                             {2, QDateTime(), {" ", "7th"}}};
    const QList<StatisticMetric> expected = {
        {QStringLiteral("Surveys"), QStringLiteral("2"), QStringLiteral("doc.text")},
        {QStringLiteral("Answered Cells"), QStringLiteral("3"), QStringLiteral("checkmark.circle")},
        {QStringLiteral("N/A Cells"), QStringLiteral("2"), QStringLiteral("minus.circle")},
        {QStringLiteral("Review Queue"), QStringLiteral("1234"), QStringLiteral("text.viewfinder")},
    };
    EXPECT_EQ(summaryMetrics(responses, 1234), expected);
    EXPECT_EQ(statisticsSubtitle(QStringLiteral("KRDA 2026")),
              QStringLiteral("Question-by-question summary for KRDA 2026"));
}
