#pragma once

#include "model/QuestionReviewItem.h"

#include <QFrame>
#include <QUuid>
#include <functional>
#include <optional>

class CropView;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class ReviewAnswerInput;
class ReviewDictation;
class SpeechInputController;
class SurveyScanStore;

// Makes the dictation controller the review screen keeps for its whole life
// (one recogniser, prepared in the background, shared by every item);
// returns null when dictation is not available (its buttons are then hidden).
using DictationFactory = std::function<SpeechInputController*(QObject* parent)>;

// The review card of one queued answer: the crop large, the suggestion and
// note, and an answer editor built for speed (Enter applies, Esc skips; see
// ReviewAnswerInput for the option keys).
class ReviewEditor : public QFrame
{
    Q_OBJECT
public:
    ReviewEditor(SurveyScanStore* store, ReviewDictation* dictation, QWidget* parent = nullptr);

    void showItem(const QUuid& id);
    QUuid itemID() const { return m_id; }
    // Puts the keyboard on the answer editor.
    void focusEditor();
    // Applies the shown item; false when the store kept it (nothing to apply).
    bool apply();

    ReviewAnswerInput* input() const { return m_input; }
    QLineEdit* answerField() const;
    QList<QToolButton*> optionToggles() const;
    QToolButton* dictationButton() const { return m_dictate; }
    QLabel* notice() const { return m_notice; }
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
    void refreshDictation();

    SurveyScanStore* m_store;
    ReviewDictation* m_dictation;
    QUuid m_id;

    QLabel* m_survey;
    QLabel* m_page;
    QLabel* m_prompt;
    CropView* m_crop;
    QLabel* m_suggestion;
    QLabel* m_confidence;
    QWidget* m_noteRow;
    QLabel* m_noteIcon;
    QLabel* m_note;
    ReviewAnswerInput* m_input;
    QPushButton* m_apply;
    QPushButton* m_clear;
    QPushButton* m_skip;
    QToolButton* m_dictate;
    QLabel* m_dictationError;
    QLabel* m_notice;
};
