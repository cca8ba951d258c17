#pragma once

#include "ReviewEditor.h"

#include <QUuid>
#include <QWidget>

class EmptyState;
class QLabel;
class QListWidget;
class QStackedWidget;
class SurveyScanStore;

// The review queue: the items on the left, the chosen one's editor on the
// right. Applying an item moves straight on to the next.
class ReviewScreen : public QWidget
{
    Q_OBJECT
public:
    ReviewScreen(SurveyScanStore* store, DictationFactory dictation, QWidget* parent = nullptr);

    ReviewEditor* editor() const { return m_editor; }
    QListWidget* queue() const { return m_queue; }

    static QString queueTitle(qsizetype count);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void select(int row);

    SurveyScanStore* m_store;
    QLabel* m_title;
    QStackedWidget* m_stack;
    EmptyState* m_empty;
    QListWidget* m_queue;
    ReviewEditor* m_editor;
    int m_lastRow = 0;
};
