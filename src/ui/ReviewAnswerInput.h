#pragma once

#include <QStringList>
#include <QUuid>
#include <QWidget>

class FlowLayout;
class QLabel;
class QLineEdit;
class QToolButton;
class SurveyScanStore;
struct QuestionReviewItem;

// The answer of one review item, as both review modes enter it: option
// toggles for a choice question (digits 1-9 and 0, then Alt+letter, pick
// them while the keyboard is not in the text field; a single choice
// replaces, checkboxes switch; the suggestion starts selected) and a text
// field. What is entered lives in the store's review item. Enter, from the
// field or a toggle, asks for the answer to be applied.
class ReviewAnswerInput : public QWidget
{
    Q_OBJECT
public:
    // compact: no heading above the options (the question's grid cards).
    ReviewAnswerInput(SurveyScanStore* store, bool compact, QWidget* parent = nullptr);

    // Shows this item's answer; the toggles are rebuilt when its options differ.
    void setItem(const QuestionReviewItem& item);
    QUuid itemID() const { return m_id; }
    // Follows the store's review item (entered text, selection).
    void refresh();

    QLineEdit* field() const { return m_field; }
    QList<QToolButton*> optionToggles() const { return m_toggles; }
    // Puts the keyboard on the first option, else in the field.
    void focusInput();
    // Writes the entered text into the store's item.
    void setEnteredText(const QString& text);
    void pickOption(qsizetype index);
    // Enter and the option keys, also when they come from elsewhere in the
    // card; false for any other key.
    bool takeKey(QKeyEvent* event);

Q_SIGNALS:
    void optionPicked();
    // Enter was pressed in the field or on an option.
    void submitted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuildOptions(const QStringList& options);

    SurveyScanStore* m_store;
    QUuid m_id;
    QStringList m_options;
    bool m_singleChoice = false;
    QWidget* m_optionsBox;
    QLabel* m_selectionCount;
    FlowLayout* m_optionsFlow;
    QList<QToolButton*> m_toggles;
    QLineEdit* m_field;
};
