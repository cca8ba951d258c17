#pragma once

#include "ReviewEditor.h"

#include <QUuid>
#include <QWidget>

class EmptyState;
class PageView;
class QuestionReviewGrid;
class ReviewDictation;
class QLabel;
class QToolButton;
class QListWidget;
class QSplitter;
class QStackedWidget;
class SurveyScanStore;

// The review queue, by sheet (the items on the left, the chosen one's editor
// on the right; applying moves straight on to the next) or by question (one
// question's pending crops across the sheets, see QuestionReviewGrid). The
// whole page of the current item can stand beside either (Ctrl+Space).
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
    QToolButton* pageButton() const { return m_pageButton; }
    PageView* pageView() const { return m_pageView; }
    ReviewDictation* dictation() const { return m_dictation; }
    // Shows or hides the whole page beside the crop.
    void togglePageView();
    bool showsPageView() const;
    // The item being worked on: the editor's, or the grid's current card.
    QUuid currentItemID() const;
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
    void refreshPageView();

    SurveyScanStore* m_store;
    QLabel* m_title;
    QSplitter* m_body;
    QStackedWidget* m_stack;
    EmptyState* m_empty;
    QListWidget* m_queue;
    ReviewEditor* m_editor;
    QuestionReviewGrid* m_grid;
    PageView* m_pageView;
    ReviewDictation* m_dictation;
    QToolButton* m_bySheet;
    QToolButton* m_byQuestion;
    QToolButton* m_pageButton;
    int m_lastRow = 0;
};
