#include "StatisticsScreen.h"

#include "EmptyState.h"
#include "MetricTile.h"
#include "Observe.h"
#include "QuestionStatisticCard.h"
#include "Theme.h"
#include "stats/AnswerStatistics.h"
#include "stats/SummaryMetrics.h"
#include "store/SurveyScanStore.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace {
constexpr int cardMinimumWidth = 420;
constexpr int maximumColumns = 3;
} // namespace

StatisticsScreen::StatisticsScreen(SurveyScanStore* store, QWidget* parent)
    : ScreenPage(parent), m_store(store)
{
    addHeader(QStringLiteral("Statistics"), QString(), &m_subtitle);
    m_subtitle->setObjectName(QStringLiteral("statisticsSubtitle"));
    m_empty = new EmptyState(QStringLiteral("chart.pie"), QStringLiteral("No survey data yet"),
                             QStringLiteral("Statistics will appear after answers are captured."));
    column()->addWidget(m_empty);

    m_content = new QWidget;
    auto* contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(theme::cardSpacing);
    auto* tiles = makeRow(12);
    for (const StatisticMetric& metric : summaryMetrics({}, 0)) {
        auto* tile = new MetricTile(metric.title, metric.symbol, m_content);
        tiles->addWidget(tile);
        m_metrics.append(tile);
    }
    contentLayout->addLayout(tiles);
    m_cardGrid = new QGridLayout;
    m_cardGrid->setHorizontalSpacing(theme::cardSpacing);
    m_cardGrid->setVerticalSpacing(theme::cardSpacing);
    contentLayout->addLayout(m_cardGrid);
    column()->addWidget(m_content);
    column()->addStretch();

    observe(
        m_store, this, [this] { invalidate(); }, &SurveyScanStore::responsesChanged,
        &SurveyScanStore::configurationChanged, &SurveyScanStore::reviewItemsChanged,
        &SurveyScanStore::detectedQuestionsChanged);
    rebuild();
}

void StatisticsScreen::invalidate()
{
    m_stale = true;
    if (isVisible())
        rebuild();
}

void StatisticsScreen::showEvent(QShowEvent* event)
{
    ScreenPage::showEvent(event);
    if (m_stale)
        rebuild();
}

void StatisticsScreen::rebuild()
{
    m_stale = false;
    const SurveyConfiguration& configuration = m_store->configuration();
    m_subtitle->setText(QStringLiteral("Question-by-question summary for ") + configuration.title);
    const QList<SurveyResponse>& responses = m_store->responses();
    m_empty->setVisible(responses.isEmpty());
    m_content->setVisible(!responses.isEmpty());

    const QList<StatisticMetric> metrics = summaryMetrics(responses, m_store->reviewItems().size());
    for (qsizetype i = 0; i < metrics.size() && i < m_metrics.size(); ++i)
        m_metrics[i]->setValue(metrics[i].value);

    for (QuestionStatisticCard* card : std::as_const(m_cards)) {
        m_cardGrid->removeWidget(card);
        card->hide();
        card->deleteLater();
    }
    m_cards.clear();
    if (!responses.isEmpty()) {
        for (const QuestionStatistic& statistic :
             answerStatistics(configuration, responses, m_store->detectedQuestions()))
            m_cards.append(new QuestionStatisticCard(statistic, m_content));
    }
    m_columns = 0;
    layoutCards();
}

int StatisticsScreen::columnCount() const
{
    const int available = viewport()->width() - 2 * theme::screenMargin;
    return std::clamp((available + theme::cardSpacing) / (cardMinimumWidth + theme::cardSpacing), 1,
                      maximumColumns);
}

void StatisticsScreen::layoutCards()
{
    const int columns = columnCount();
    if (columns == m_columns)
        return;
    m_columns = columns;
    for (QuestionStatisticCard* card : std::as_const(m_cards))
        m_cardGrid->removeWidget(card);
    for (int i = 0; i < m_cards.size(); ++i)
        m_cardGrid->addWidget(m_cards[i], i / columns, i % columns);
    for (int c = 0; c < maximumColumns; ++c)
        m_cardGrid->setColumnStretch(c, c < columns ? 1 : 0);
}

void StatisticsScreen::resizeEvent(QResizeEvent* event)
{
    ScreenPage::resizeEvent(event);
    layoutCards();
}
