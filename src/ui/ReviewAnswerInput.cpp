#include "ReviewAnswerInput.h"

#include "FlowLayout.h"
#include "ReviewAnswerText.h"
#include "ReviewKeys.h"
#include "Theme.h"
#include "store/SurveyScanStore.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// The text the options show: what was entered, else the suggestion.
QString shownAnswer(const QuestionReviewItem& item)
{
    return item.enteredText.trimmed().isEmpty() ? item.suggestedText : item.enteredText;
}
} // namespace

ReviewAnswerInput::ReviewAnswerInput(SurveyScanStore* store, bool compact, QWidget* parent)
    : QWidget(parent), m_store(store)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(compact ? 6 : 10);

    m_optionsBox = new QWidget(this);
    auto* optionsLayout = new QVBoxLayout(m_optionsBox);
    optionsLayout->setContentsMargins(0, compact ? 0 : 4, 0, 0);
    optionsLayout->setSpacing(6);
    m_selectionCount = theme::label(QString(), QStringLiteral("caption"), m_optionsBox);
    m_selectionCount->setObjectName(QStringLiteral("selectionCount"));
    if (!compact) {
        auto* header = new QHBoxLayout;
        header->addWidget(theme::label(QStringLiteral("Choose answers"), QStringLiteral("heading"),
                                       m_optionsBox));
        header->addWidget(m_selectionCount);
        header->addStretch();
        optionsLayout->addLayout(header);
    } else {
        m_selectionCount->hide();
    }
    auto* flowHost = new QWidget(m_optionsBox);
    m_optionsFlow = new FlowLayout(flowHost, compact ? 4 : 6);
    optionsLayout->addWidget(flowHost);
    layout->addWidget(m_optionsBox);

    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(QStringLiteral("Type answer"));
    m_field->setClearButtonEnabled(true);
    if (!compact) {
        QFont font = m_field->font();
        font.setPointSizeF(font.pointSizeF() * 1.15);
        m_field->setFont(font);
        m_field->setMinimumHeight(34);
    }
    layout->addWidget(m_field);
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, &ReviewAnswerInput::setEnteredText);
}

void ReviewAnswerInput::setItem(const QuestionReviewItem& item)
{
    const bool sameItem = item.id == m_id;
    m_id = item.id;
    const auto field = m_store->templateField(item.questionNumber);
    m_singleChoice = field && field->detectionMode == SurveyDetectionMode::singleChoice;
    const QStringList options = choiceOptions(field);
    if (!sameItem || options != m_options)
        rebuildOptions(options);
    refresh();
}

void ReviewAnswerInput::rebuildOptions(const QStringList& options)
{
    m_options = options;
    qDeleteAll(m_toggles);
    m_toggles.clear();
    QWidget* host = m_optionsFlow->parentWidget();
    for (qsizetype i = 0; i < options.size(); ++i) {
        auto* toggle = new QToolButton(host);
        toggle->setProperty("option", true);
        toggle->setCheckable(true);
        toggle->setText(options[i]);
        toggle->setFocusPolicy(Qt::StrongFocus);
        if (const auto key = reviewkeys::optionKey(i))
            toggle->setToolTip(
                QStringLiteral("Press %1").arg(key->toString(QKeySequence::NativeText)));
        connect(toggle, &QToolButton::clicked, this, [this, i] { pickOption(i); });
        m_optionsFlow->addWidget(toggle);
        m_toggles.append(toggle);
    }
    m_optionsBox->setVisible(!options.isEmpty());
}

void ReviewAnswerInput::refresh()
{
    for (const QuestionReviewItem& item : m_store->reviewItems()) {
        if (item.id != m_id)
            continue;
        if (m_field->text() != item.enteredText) {
            const QSignalBlocker blocker(m_field);
            m_field->setText(item.enteredText);
        }
        const QStringList selected = selectedOptions(shownAnswer(item), m_options);
        for (QToolButton* toggle : std::as_const(m_toggles)) {
            const QSignalBlocker blocker(toggle);
            toggle->setChecked(selected.contains(toggle->text()));
        }
        m_selectionCount->setText(selectionCountText(selected.size()));
        return;
    }
}

void ReviewAnswerInput::setEnteredText(const QString& text)
{
    for (const QuestionReviewItem& item : m_store->reviewItems()) {
        if (item.id == m_id) {
            m_store->updateReviewItem(item, text);
            return;
        }
    }
}

void ReviewAnswerInput::pickOption(qsizetype index)
{
    if (index < 0 || index >= m_options.size())
        return;
    for (const QuestionReviewItem& item : m_store->reviewItems()) {
        if (item.id != m_id)
            continue;
        const QString& option = m_options[index];
        // One answer on a single-choice question: a new pick replaces the old.
        setEnteredText(m_singleChoice ? option
                                      : toggledOption(shownAnswer(item), m_options, option));
        Q_EMIT optionPicked();
        return;
    }
}

void ReviewAnswerInput::focusInput()
{
    if (!m_toggles.isEmpty())
        m_toggles.constFirst()->setFocus(Qt::OtherFocusReason);
    else
        m_field->setFocus(Qt::OtherFocusReason);
}

bool ReviewAnswerInput::takeKey(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & Qt::ControlModifier)) {
        event->accept();
        Q_EMIT submitted();
        return true;
    }
    if (const auto index = reviewkeys::optionIndex(event->key(), event->modifiers());
        index && *index < m_options.size()) {
        pickOption(*index);
        event->accept();
        return true;
    }
    return false;
}

void ReviewAnswerInput::keyPressEvent(QKeyEvent* event)
{
    // The field keeps its digits and lets Enter through to here.
    if (!takeKey(event))
        QWidget::keyPressEvent(event);
}

bool ReviewAnswerInput::eventFilter(QObject* watched, QEvent* event)
{
    // A text field claims Ctrl+Z even with no typing to take back; then it
    // belongs to the Edit menu, which undoes the last applied answer.
    if (watched == m_field && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->matches(QKeySequence::Undo) && !m_field->isUndoAvailable()) ||
            (key->matches(QKeySequence::Redo) && !m_field->isRedoAvailable()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
