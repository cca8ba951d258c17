// Undo and redo of answer edits, applied review answers and deletions.
#include "SurveyScanStore.h"

#include <QUndoCommand>
#include <QUndoStack>

// One edit, kept as the store's lists before and after it. Restoring a side
// writes the CSV and project file as the edit did.
class StoreEditCommand : public QUndoCommand
{
public:
    StoreEditCommand(SurveyScanStore* store, const QString& text,
                     SurveyScanStore::EditedContent before, SurveyScanStore::EditedContent after)
        : QUndoCommand(text), m_store(store), m_before(std::move(before)), m_after(std::move(after))
    {
    }

    void undo() override
    {
        m_store->restoreEditedContent(m_before,
                                      QStringLiteral("Undid ") + text() + QLatin1Char('.'));
    }

    void redo() override
    {
        // The edit itself has already happened when the command is pushed.
        if (m_pushed) {
            m_pushed = false;
            return;
        }
        m_store->restoreEditedContent(m_after,
                                      QStringLiteral("Redid ") + text() + QLatin1Char('.'));
    }

private:
    SurveyScanStore* m_store;
    SurveyScanStore::EditedContent m_before;
    SurveyScanStore::EditedContent m_after;
    bool m_pushed = true;
};

SurveyScanStore::EditedContent SurveyScanStore::editedContent() const
{
    return {m_pages, m_responses, m_reviewItems, m_answerSources, m_selectedSurveyNumber, m_stage};
}

void SurveyScanStore::restoreEditedContent(const EditedContent& content, const QString& status)
{
    setPages(content.pages);
    setResponses(content.responses);
    setReviewItems(content.reviewItems);
    setAnswerSources(content.answerSources);
    setSelectedSurveyNumber(content.selectedSurveyNumber);
    setStage(content.stage);
    persistAfterEdit();
    setStatusMessage(status);
}

void SurveyScanStore::recordEdit(const QString& text, EditedContent before)
{
    m_undoStack->push(new StoreEditCommand(this, text, std::move(before), editedContent()));
}

void SurveyScanStore::undo()
{
    if (!isBusy())
        m_undoStack->undo();
}

void SurveyScanStore::redo()
{
    if (!isBusy())
        m_undoStack->redo();
}
