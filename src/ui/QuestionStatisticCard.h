#pragma once

#include "stats/AnswerStatistics.h"

#include <QFrame>

class QChartView;
class QPieSeries;

// One question of the statistics screen: its prompt, how many answered, a
// pie of the answer counts and a legend of at most eight answers.
class QuestionStatisticCard : public QFrame
{
    Q_OBJECT
public:
    explicit QuestionStatisticCard(const QuestionStatistic& statistic, QWidget* parent = nullptr);

    QPieSeries* series() const { return m_series; }

    static QString answeredText(const QuestionStatistic& statistic);
    static QColor sliceColor(const AnswerCount& entry, int index);

private:
    QWidget* buildChart(const QuestionStatistic& statistic);
    QWidget* buildLegend(const QuestionStatistic& statistic);

    QPieSeries* m_series = nullptr;
};
