#include "TemplateFieldRow.h"

#include "Symbols.h"
#include "Theme.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QToolButton>

void CommitTextEdit::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    Q_EMIT editingFinished();
}

TemplateFieldRow::TemplateFieldRow(const SurveyTemplateField& field, QWidget* parent)
    : QFrame(parent), m_field(field)
{
    setObjectName(QStringLiteral("card"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(14, 12, 14, 12);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);

    m_number = new QLabel(this);
    m_number->setObjectName(QStringLiteral("questionNumber"));
    m_number->setAlignment(Qt::AlignCenter);
    m_number->setMinimumSize(34, 28);
    m_number->setStyleSheet(QStringLiteral("background: %1; color: %2; border-radius: 6px; "
                                           "font-weight: 600;")
                                .arg(theme::color(theme::Role::accentSoft).name(),
                                     theme::color(theme::Role::accent).name()));
    m_prompt = new QLineEdit(this);
    m_prompt->setPlaceholderText(QStringLiteral("Question text"));
    m_prompt->setAccessibleName(QStringLiteral("Question text"));
    m_mode = new QComboBox(this);
    m_mode->setAccessibleName(QStringLiteral("Detect"));
    for (SurveyDetectionMode mode : allDetectionModes())
        m_mode->addItem(symbols::icon(symbolName(mode)), rawValue(mode), static_cast<int>(mode));
    m_delete = new QToolButton(this);
    m_delete->setIcon(symbols::icon(QStringLiteral("trash"), theme::color(theme::Role::danger)));
    m_delete->setToolTip(QStringLiteral("Delete section"));
    m_delete->setAccessibleName(QStringLiteral("Delete section"));
    m_delete->setAutoRaise(true);
    m_options = new CommitTextEdit(this);
    m_options->setAccessibleName(QStringLiteral("Answer choices"));
    m_options->setPlaceholderText(QStringLiteral("One answer per line"));
    m_options->setTabChangesFocus(true);
    connect(m_options, &QPlainTextEdit::textChanged, this, &TemplateFieldRow::fitChoices);

    grid->addWidget(m_number, 0, 0);
    grid->addWidget(m_prompt, 0, 1);
    grid->addWidget(theme::label(QStringLiteral("Detect"), QStringLiteral("caption"), this), 0, 2);
    grid->addWidget(m_mode, 0, 3);
    grid->addWidget(m_delete, 0, 4);
    auto* choicesLabel =
        theme::label(QStringLiteral("Answer choices"), QStringLiteral("caption"), this);
    choicesLabel->setWordWrap(false);
    grid->addWidget(choicesLabel, 1, 0, Qt::AlignTop);
    grid->addWidget(m_options, 1, 1, 1, 4);
    grid->setColumnStretch(1, 1);

    connect(m_prompt, &QLineEdit::editingFinished, this, &TemplateFieldRow::commit);
    connect(m_mode, &QComboBox::activated, this, &TemplateFieldRow::commit);
    connect(m_options, &CommitTextEdit::editingFinished, this, &TemplateFieldRow::commit);
    connect(m_delete, &QToolButton::clicked, this, [this] { Q_EMIT deleteRequested(m_field); });
    setField(field);
}

QString TemplateFieldRow::symbolName(SurveyDetectionMode mode)
{
    switch (mode) {
    case SurveyDetectionMode::singleChoice:
        return QStringLiteral("largecircle.fill.circle");
    case SurveyDetectionMode::multipleChoice:
        return QStringLiteral("checklist.checked");
    case SurveyDetectionMode::written:
        return QStringLiteral("pencil.line");
    case SurveyDetectionMode::ignore:
        return QStringLiteral("eye.slash");
    }
    return {};
}

void TemplateFieldRow::setField(const SurveyTemplateField& field)
{
    m_field = field;
    m_number->setText(QString::number(field.number));
    if (!m_prompt->hasFocus() && m_prompt->text() != field.prompt)
        m_prompt->setText(field.prompt);
    {
        const QSignalBlocker blocker(m_mode);
        m_mode->setCurrentIndex(m_mode->findData(static_cast<int>(field.detectionMode)));
    }
    if (!m_options->hasFocus() && m_options->toPlainText() != field.optionsText) {
        const QSignalBlocker blocker(m_options);
        m_options->setPlainText(field.optionsText);
    }
    fitChoices();
}

void TemplateFieldRow::fitChoices()
{
    // Tall enough for every answer up to eight lines, then it scrolls.
    const int lines = std::clamp(m_options->document()->blockCount(), 2, 8);
    const int margins = static_cast<int>(2 * m_options->document()->documentMargin()) +
                        2 * m_options->frameWidth() + 4;
    m_options->setFixedHeight(m_options->fontMetrics().lineSpacing() * lines + margins);
}

void TemplateFieldRow::focusQuestionText()
{
    m_prompt->setFocus(Qt::OtherFocusReason);
    m_prompt->selectAll();
}

void TemplateFieldRow::commit()
{
    SurveyTemplateField changed = m_field;
    changed.prompt = m_prompt->text();
    changed.detectionMode = static_cast<SurveyDetectionMode>(m_mode->currentData().toInt());
    changed.optionsText = m_options->toPlainText();
    if (changed == m_field)
        return;
    m_field = changed;
    Q_EMIT edited(changed);
}
