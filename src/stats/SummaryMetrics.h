#pragma once

#include "model/SurveyResponse.h"

#include <QList>
#include <QString>

// One summary tile of the statistics screen; symbol names an icon.
struct StatisticMetric
{
    QString title;
    QString value;
    QString symbol;

    bool operator==(const StatisticMetric&) const = default;
};

// Surveys, Answered Cells, N/A Cells and Review Queue, in that order.
QList<StatisticMetric> summaryMetrics(const QList<SurveyResponse>& responses,
                                      qint64 reviewItemCount);

// The line under the "Statistics" header.
QString statisticsSubtitle(const QString& surveyTitle);
