#pragma once

#include "model/SurveyTemplateField.h"

#include <QFrame>
#include <QPlainTextEdit>

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

// A multi-line editor that reports when the operator leaves it, so an edit
// is committed once instead of on every key.
class CommitTextEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;

Q_SIGNALS:
    void editingFinished();

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

// One template section: number, question text, detection mode, answer
// choices and a delete button. Emits the edited field; the screen hands it to
// the store.
class TemplateFieldRow : public QFrame
{
    Q_OBJECT
public:
    explicit TemplateFieldRow(const SurveyTemplateField& field, QWidget* parent = nullptr);

    qint64 number() const { return m_field.number; }
    // Shows the store's version of the field; controls being edited keep
    // their text.
    void setField(const SurveyTemplateField& field);
    void focusQuestionText();

    QLineEdit* questionText() const { return m_prompt; }
    QComboBox* detectPicker() const { return m_mode; }
    CommitTextEdit* answerChoices() const { return m_options; }

    static QString symbolName(SurveyDetectionMode mode);

Q_SIGNALS:
    void edited(const SurveyTemplateField& field);
    void deleteRequested(const SurveyTemplateField& field);

private:
    void commit();
    void fitChoices();

    SurveyTemplateField m_field;
    QLabel* m_number;
    QLineEdit* m_prompt;
    QComboBox* m_mode;
    CommitTextEdit* m_options;
    QToolButton* m_delete;
};
