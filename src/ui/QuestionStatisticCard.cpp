#include "QuestionStatisticCard.h"

#include "Theme.h"

#include <QChart>
#include <QChartView>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPieSeries>
#include <QPieSlice>
#include <QVBoxLayout>

QuestionStatisticCard::QuestionStatisticCard(const QuestionStatistic& statistic, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("card"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(theme::cardPadding, theme::cardPadding, theme::cardPadding,
                               theme::cardPadding);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    auto* number = new QLabel(QStringLiteral("Q") + QString::number(statistic.number), this);
    number->setObjectName(QStringLiteral("questionNumber"));
    number->setAlignment(Qt::AlignCenter);
    number->setMinimumSize(40, 26);
    number->setStyleSheet(QStringLiteral("background: %1; color: %2; border-radius: 6px; "
                                         "font-weight: 600;")
                              .arg(theme::color(theme::Role::accentSoft).name(),
                                   theme::color(theme::Role::accent).name()));
    header->addWidget(number, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* prompt = theme::label(statistic.prompt, QStringLiteral("heading"), this);
    prompt->setWordWrap(true);
    texts->addWidget(prompt);
    QString detail = answeredText(statistic);
    if (statistic.mode)
        detail = rawValue(*statistic.mode) + QStringLiteral("  ·  ") + detail;
    auto* answered = theme::label(detail, QStringLiteral("caption"), this);
    answered->setObjectName(QStringLiteral("answeredCount"));
    texts->addWidget(answered);
    header->addLayout(texts, 1);
    layout->addLayout(header);

    auto* body = new QHBoxLayout;
    body->setSpacing(16);
    body->addWidget(buildChart(statistic), 0, Qt::AlignTop);
    body->addWidget(buildLegend(statistic), 1, Qt::AlignTop);
    layout->addLayout(body);
}

QString QuestionStatisticCard::answeredText(const QuestionStatistic& statistic)
{
    return QString::number(statistic.answeredCount()) + QStringLiteral(" of ") +
           QString::number(statistic.totalResponses) + QStringLiteral(" answered");
}

QColor QuestionStatisticCard::sliceColor(const AnswerCount& entry, int index)
{
    return entry.answer == notAnsweredText() ? theme::notAnsweredColor() : theme::chartColor(index);
}

QWidget* QuestionStatisticCard::buildChart(const QuestionStatistic& statistic)
{
    m_series = new QPieSeries;
    m_series->setName(QStringLiteral("Count"));
    m_series->setPieSize(0.92);
    const QList<AnswerCount> entries = statistic.chartEntries();
    for (int i = 0; i < entries.size(); ++i) {
        QPieSlice* slice =
            m_series->append(entries[i].answer, static_cast<qreal>(entries[i].count));
        slice->setColor(sliceColor(entries[i], i));
        slice->setBorderColor(Qt::white);
        slice->setBorderWidth(1.5);
        slice->setLabelVisible(false);
    }
    auto* chart = new QChart;
    chart->addSeries(m_series);
    chart->legend()->hide();
    chart->setBackgroundVisible(false);
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->setBackgroundRoundness(0);
    chart->setAnimationOptions(QChart::NoAnimation);
    auto* view = new QChartView(chart, this);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFixedSize(170, 170);
    view->setStyleSheet(QStringLiteral("background: transparent;"));
    view->setFrameShape(QFrame::NoFrame);
    view->setAccessibleName(QStringLiteral("Answer counts"));
    return view;
}

QWidget* QuestionStatisticCard::buildLegend(const QuestionStatistic& statistic)
{
    auto* legend = new QWidget(this);
    auto* grid = new QGridLayout(legend);
    grid->setContentsMargins(0, 4, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);
    grid->addWidget(theme::label(QStringLiteral("Answer"), QStringLiteral("caption"), legend), 0,
                    1);
    grid->addWidget(theme::label(QStringLiteral("Count"), QStringLiteral("caption"), legend), 0, 2,
                    Qt::AlignRight);
    const QList<AnswerCount> entries = statistic.legendEntries();
    for (int i = 0; i < entries.size(); ++i) {
        auto* swatch = new QLabel(legend);
        swatch->setFixedSize(11, 11);
        swatch->setStyleSheet(QStringLiteral("background: %1; border-radius: 3px;")
                                  .arg(sliceColor(entries[i], i).name()));
        auto* answer = new QLabel(entries[i].answer, legend);
        answer->setWordWrap(true);
        auto* count = new QLabel(QString::number(entries[i].count), legend);
        count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QFont bold = count->font();
        bold.setBold(true);
        count->setFont(bold);
        grid->addWidget(swatch, i + 1, 0, Qt::AlignVCenter);
        grid->addWidget(answer, i + 1, 1);
        grid->addWidget(count, i + 1, 2);
    }
    grid->setColumnStretch(1, 1);
    return legend;
}
