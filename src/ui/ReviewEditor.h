#pragma once

#include "model/QuestionReviewItem.h"

#include <QFrame>
#include <QPointer>
#include <QStringList>
#include <QUuid>
#include <functional>
#include <optional>

class CropView;
class FlowLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;
class SpeechInputController;
class SurveyScanStore;

// Makes the dictation controller the review editor keeps for its whole life
// (one recogniser, prepared in the background, shared by every item);
// returns null when dictation is not available (the button is then hidden).
using DictationFactory = std::function<SpeechInputController*(QObject* parent)>;

// The review card of one queued answer: the crop large, the suggestion and
// note, and an answer editor built for speed (Enter applies; digits pick
// options: a single choice replaces, checkboxes switch; the suggestion starts
// selected). The answer text lives in the store's review item.
class ReviewEditor : public QFrame
{
    Q_OBJECT
public:
    ReviewEditor(SurveyScanStore* store, DictationFactory dictation, QWidget* parent = nullptr);

    void showItem(const QUuid& id);
    QUuid itemID() const { return m_id; }
    // Puts the keyboard on the answer editor.
    void focusEditor();
    // Applies the shown item; false when the store kept it (nothing to apply).
    bool apply();

    QLineEdit* answerField() const { return m_answer; }
    QList<QToolButton*> optionToggles() const { return m_toggles; }
    QToolButton* dictationButton() const { return m_dictate; }
    QLabel* notice() const { return m_notice; }
    SpeechInputController* dictation() const;
    // Starts or stops dictation of the shown item.
    void toggleDictation();

Q_SIGNALS:
    void aboutToApply();
    void applied(const QUuid& id);
    // Esc: the operator leaves this item for later.
    void skipRequested(const QUuid& id);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::optional<QuestionReviewItem> item() const;
    QStringList optionsFor(const QuestionReviewItem& item) const;
    void rebuildOptions(const QStringList& options);
    void refreshAnswer();
    void setEnteredText(const QString& text);
    void pickOption(qsizetype index);
    // The text the options show: what was entered, else the suggestion.
    QString shownAnswer(const QuestionReviewItem& item) const;
    void refreshDictation();

    SurveyScanStore* m_store;
    DictationFactory m_dictationFactory;
    QUuid m_id;
    QStringList m_options;
    bool m_singleChoice = false;

    QLabel* m_survey;
    QLabel* m_page;
    QLabel* m_prompt;
    CropView* m_crop;
    QLabel* m_suggestion;
    QLabel* m_confidence;
    QWidget* m_noteRow;
    QLabel* m_noteIcon;
    QLabel* m_note;
    QWidget* m_optionsBox;
    QLabel* m_selectionCount;
    FlowLayout* m_optionsFlow;
    QList<QToolButton*> m_toggles;
    QLineEdit* m_answer;
    QPushButton* m_apply;
    QPushButton* m_clear;
    QPushButton* m_skip;
    QToolButton* m_dictate;
    QLabel* m_dictationError;
    QLabel* m_notice;
    QPointer<SpeechInputController> m_dictation;
};
