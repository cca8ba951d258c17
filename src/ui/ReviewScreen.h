#pragma once

#include "ReviewEditor.h"

#include <QUuid>
#include <QWidget>

class EmptyState;
class QuestionReviewGrid;
class QLabel;
class QToolButton;
class QListWidget;
class QStackedWidget;
class SurveyScanStore;

// The review queue, by sheet (the items on the left, the chosen one's editor
// on the right; applying moves straight on to the next) or by question (one
// question's pending crops across the sheets, see QuestionReviewGrid).
class ReviewScreen : public QWidget
{
    Q_OBJECT
public:
    ReviewScreen(SurveyScanStore* store, DictationFactory dictation, QWidget* parent = nullptr);

    ReviewEditor* editor() const { return m_editor; }
    QListWidget* queue() const { return m_queue; }
    QuestionReviewGrid* questionGrid() const { return m_grid; }
    QToolButton* bySheetButton() const { return m_bySheet; }
    QToolButton* byQuestionButton() const { return m_byQuestion; }
    bool showsByQuestion() const;
    void setByQuestion(bool byQuestion);
    // The next or previous item without applying the shown one.
    void step(int rows);

    static QString queueTitle(qsizetype count);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void select(int row);
    void showModePage();

    SurveyScanStore* m_store;
    QLabel* m_title;
    QStackedWidget* m_stack;
    EmptyState* m_empty;
    QListWidget* m_queue;
    ReviewEditor* m_editor;
    QuestionReviewGrid* m_grid;
    QToolButton* m_bySheet;
    QToolButton* m_byQuestion;
    int m_lastRow = 0;
};
