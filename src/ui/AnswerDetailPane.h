#pragma once

#include <QFrame>
#include <QList>
#include <optional>

class EmptyState;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class SurveyScanStore;

// The answers of the selected survey, question by question, each editable,
// and the delete action.
class AnswerDetailPane : public QFrame
{
    Q_OBJECT
public:
    explicit AnswerDetailPane(SurveyScanStore* store, QWidget* parent = nullptr);

    QList<QLineEdit*> answerFields() const { return m_fields; }
    QPushButton* deleteButton() const { return m_delete; }

private:
    void refresh();
    void rebuild(qint64 surveyNumber, qint64 questionCount);
    void commit(qint64 question);
    void confirmDelete();

    SurveyScanStore* m_store;
    QStackedWidget* m_stack;
    EmptyState* m_placeholder;
    QLabel* m_title;
    QLabel* m_captured;
    QLabel* m_noAnswers;
    QVBoxLayout* m_rowsLayout;
    QWidget* m_rowsHost;
    QPushButton* m_delete;
    QList<QLineEdit*> m_fields;
    std::optional<qint64> m_shownSurvey;
};
