#include "stats/SummaryMetrics.h"

#include <gtest/gtest.h>

TEST(SummaryMetricsTest, FourTilesInOrderWithPlainNumbers)
{
    const QList<SurveyResponse> responses = {{1, QDateTime(), {"Yes", "", "No"}},
                                             {2, QDateTime(), {" ", "7th"}}};
    const QList<StatisticMetric> expected = {
        {"Surveys", "2", "doc.text"},
        {"Answered Cells", "3", "checkmark.circle"},
        {"N/A Cells", "2", "minus.circle"},
        {"Review Queue", "1234", "text.viewfinder"},
    };
    EXPECT_EQ(summaryMetrics(responses, 1234), expected);
    EXPECT_EQ(statisticsSubtitle("KRDA 2026"), "Question-by-question summary for KRDA 2026");
}
