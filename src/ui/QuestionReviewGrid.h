#pragma once

#include <QHash>
#include <QUuid>
#include <QWidget>

class FlowLayout;
class QComboBox;
class QLineEdit;
class SurveyScanStore;

// Review question by question: every pending item of one question across
// the sheets, as a grid of crops with a field each. A typed answer applies
// when Enter is pressed or its field is left; an empty field applies nothing.
class QuestionReviewGrid : public QWidget
{
    Q_OBJECT
public:
    explicit QuestionReviewGrid(SurveyScanStore* store, QWidget* parent = nullptr);

    QComboBox* questionPicker() const { return m_picker; }
    // The answer field of a pending item, or null when it is not shown.
    QLineEdit* field(const QUuid& id) const { return m_fields.value(id); }
    // Puts the keyboard on the first field.
    void focusFirst();

private:
    void refresh();
    void rebuildCards();
    void applyField(const QUuid& id);
    qint64 chosenQuestion() const;

    SurveyScanStore* m_store;
    QComboBox* m_picker;
    QWidget* m_cardsHost;
    FlowLayout* m_cards;
    QHash<QUuid, QLineEdit*> m_fields;
    QHash<QUuid, QWidget*> m_cardWidgets;
    qint64 m_question = 0;
};
