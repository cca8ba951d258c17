#pragma once

#include <QHash>
#include <QUuid>
#include <QWidget>

class FlowLayout;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class ReviewAnswerInput;
class ReviewDictation;
class SurveyScanStore;
struct QuestionReviewItem;

// Review question by question: every pending item of one question across
// the sheets, as a grid of crops, each with the answer input of the By Sheet
// editor (option keys, a text field, dictation). Enter applies a card as By
// Sheet does; leaving the card applies a typed answer; an empty field
// applies nothing.
class QuestionReviewGrid : public QWidget
{
    Q_OBJECT
public:
    QuestionReviewGrid(SurveyScanStore* store, ReviewDictation* dictation,
                       QWidget* parent = nullptr);

    QComboBox* questionPicker() const { return m_picker; }
    // The answer input of a pending item, or null when it is not shown.
    ReviewAnswerInput* input(const QUuid& id) const { return m_cardOf.value(id).input; }
    QLineEdit* field(const QUuid& id) const;
    // The card the keyboard is in, or was in last; null when none is shown.
    QUuid currentItemID() const { return m_current; }
    // Puts the keyboard on the first card.
    void focusFirst();
    // Starts or stops dictation into the current card.
    void toggleDictation();

Q_SIGNALS:
    void currentItemChanged(const QUuid& id);

private:
    struct Card
    {
        QWidget* frame = nullptr;
        ReviewAnswerInput* input = nullptr;
        QToolButton* dictate = nullptr;
    };
    void refresh();
    void rebuildCards();
    Card makeCard(const QuestionReviewItem& item);
    void apply(const QUuid& id);
    void applyTyped(const QUuid& id);
    void setCurrent(const QUuid& id);
    void refreshDictation();
    qint64 chosenQuestion() const;

    SurveyScanStore* m_store;
    ReviewDictation* m_dictation;
    QComboBox* m_picker;
    QLabel* m_dictationError;
    QWidget* m_cardsHost;
    FlowLayout* m_cards;
    QHash<QUuid, Card> m_cardOf;
    QUuid m_current;
    qint64 m_question = 0;
};
