#pragma once

#include "ScreenPage.h"

#include <QList>

class EmptyState;
class MetricTile;
class QGridLayout;
class QLabel;
class QuestionStatisticCard;
class SurveyScanStore;

// Question-by-question summary of the captured answers. Recomputed from the
// store whenever its answers change, but only drawn while visible.
class StatisticsScreen : public ScreenPage
{
    Q_OBJECT
public:
    explicit StatisticsScreen(SurveyScanStore* store, QWidget* parent = nullptr);

    const QList<QuestionStatisticCard*>& cards() const { return m_cards; }
    const QList<MetricTile*>& metrics() const { return m_metrics; }
    // Brings the screen up to date now, visible or not.
    void rebuild();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void invalidate();
    void layoutCards();
    int columnCount() const;

    SurveyScanStore* m_store;
    QLabel* m_subtitle = nullptr;
    QWidget* m_content;
    EmptyState* m_empty;
    QList<MetricTile*> m_metrics;
    QGridLayout* m_cardGrid;
    QList<QuestionStatisticCard*> m_cards;
    bool m_stale = true;
    int m_columns = 0;
};
