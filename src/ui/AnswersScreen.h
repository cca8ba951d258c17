#pragma once

#include <QWidget>

class AnswerDetailPane;
class AnswersTableModel;
class EmptyState;
class MetricTile;
class QStackedWidget;
class QTableView;
class SurveyScanStore;

// Every captured survey in a table, with the chosen one's answers beside it.
class AnswersScreen : public QWidget
{
    Q_OBJECT
public:
    explicit AnswersScreen(SurveyScanStore* store, QWidget* parent = nullptr);

    QTableView* table() const { return m_table; }
    AnswersTableModel* model() const { return m_model; }
    AnswerDetailPane* detail() const { return m_detail; }

private:
    void refresh();
    void selectStoreSurvey();

    SurveyScanStore* m_store;
    QStackedWidget* m_stack;
    EmptyState* m_empty;
    MetricTile* m_surveys;
    MetricTile* m_pages;
    QTableView* m_table;
    AnswersTableModel* m_model;
    AnswerDetailPane* m_detail;
    bool m_following = false;
};
