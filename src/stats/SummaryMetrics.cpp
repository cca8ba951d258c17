#include "SummaryMetrics.h"

#include "AnswerStatistics.h"

QList<StatisticMetric> summaryMetrics(const QList<SurveyResponse>& responses,
                                      qint64 reviewItemCount)
{
    const auto number = [](qint64 value) { return QString::number(value); };
    return {
        {QStringLiteral("Surveys"), number(responses.size()), QStringLiteral("doc.text")},
        {QStringLiteral("Answered Cells"), number(answeredCellCount(responses)),
         QStringLiteral("checkmark.circle")},
        {QStringLiteral("N/A Cells"), number(naCellCount(responses)),
         QStringLiteral("minus.circle")},
        {QStringLiteral("Review Queue"), number(reviewItemCount),
         QStringLiteral("text.viewfinder")},
    };
}

QString statisticsSubtitle(const QString& surveyTitle)
{
    return QStringLiteral("Question-by-question summary for ") + surveyTitle;
}
