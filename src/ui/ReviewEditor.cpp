#include "ReviewEditor.h"

#include "CropView.h"
#include "FlowLayout.h"
#include "Observe.h"
#include "ReviewAnswerText.h"
#include "ReviewKeys.h"
#include "Symbols.h"
#include "Theme.h"
#include "dictation/SpeechInputController.h"
#include "store/SurveyScanStore.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

ReviewEditor::ReviewEditor(SurveyScanStore* store, DictationFactory dictation, QWidget* parent)
    : QFrame(parent), m_store(store), m_dictationFactory(std::move(dictation))
{
    setObjectName(QStringLiteral("card"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(theme::cardPadding, theme::cardPadding, theme::cardPadding,
                               theme::cardPadding);
    layout->setSpacing(10);

    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    m_survey = theme::label(QString(), QStringLiteral("heading"), this);
    m_survey->setObjectName(QStringLiteral("reviewSurvey"));
    m_page = theme::label(QString(), QStringLiteral("caption"), this);
    titleRow->addWidget(m_survey);
    titleRow->addWidget(m_page);
    titleRow->addStretch();
    layout->addLayout(titleRow);
    m_prompt = new QLabel(this);
    m_prompt->setWordWrap(true);
    m_prompt->setObjectName(QStringLiteral("reviewPrompt"));
    QFont promptFont = m_prompt->font();
    promptFont.setPointSizeF(promptFont.pointSizeF() * 1.15);
    m_prompt->setFont(promptFont);
    layout->addWidget(m_prompt);

    m_crop = new CropView(this);
    layout->addWidget(m_crop);

    auto* suggestionRow = new QHBoxLayout;
    suggestionRow->setSpacing(8);
    suggestionRow->addWidget(theme::label(QStringLiteral("Suggestion"), QStringLiteral("caption")));
    m_suggestion = new QLabel(this);
    m_suggestion->setObjectName(QStringLiteral("reviewSuggestion"));
    m_suggestion->setWordWrap(true);
    QFont strong = m_suggestion->font();
    strong.setBold(true);
    m_suggestion->setFont(strong);
    m_confidence = theme::label(QString(), QStringLiteral("caption"), this);
    m_confidence->setWordWrap(false);
    suggestionRow->addWidget(m_suggestion, 1);
    suggestionRow->addWidget(m_confidence);
    layout->addLayout(suggestionRow);

    m_noteRow = new QWidget(this);
    auto* noteLayout = new QHBoxLayout(m_noteRow);
    noteLayout->setContentsMargins(0, 0, 0, 0);
    m_noteIcon = new QLabel(m_noteRow);
    m_note = theme::label(QString(), QStringLiteral("caption"), m_noteRow);
    m_note->setObjectName(QStringLiteral("reviewNote"));
    noteLayout->addWidget(m_noteIcon, 0, Qt::AlignTop);
    noteLayout->addWidget(m_note, 1);
    layout->addWidget(m_noteRow);

    m_optionsBox = new QWidget(this);
    auto* optionsLayout = new QVBoxLayout(m_optionsBox);
    optionsLayout->setContentsMargins(0, 4, 0, 0);
    optionsLayout->setSpacing(6);
    auto* optionsHeader = new QHBoxLayout;
    optionsHeader->addWidget(
        theme::label(QStringLiteral("Choose answers"), QStringLiteral("heading"), m_optionsBox));
    m_selectionCount = theme::label(QString(), QStringLiteral("caption"), m_optionsBox);
    m_selectionCount->setObjectName(QStringLiteral("selectionCount"));
    optionsHeader->addWidget(m_selectionCount);
    optionsHeader->addStretch();
    optionsLayout->addLayout(optionsHeader);
    auto* flowHost = new QWidget(m_optionsBox);
    m_optionsFlow = new FlowLayout(flowHost, 6);
    optionsLayout->addWidget(flowHost);
    layout->addWidget(m_optionsBox);

    m_answer = new QLineEdit(this);
    m_answer->setObjectName(QStringLiteral("reviewAnswer"));
    m_answer->setPlaceholderText(QStringLiteral("Type answer"));
    m_answer->setClearButtonEnabled(true);
    QFont answerFont = m_answer->font();
    answerFont.setPointSizeF(answerFont.pointSizeF() * 1.15);
    m_answer->setFont(answerFont);
    m_answer->setMinimumHeight(34);
    layout->addWidget(m_answer);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    m_apply = new QPushButton(symbols::icon(QStringLiteral("checkmark.circle"), Qt::white),
                              QStringLiteral("Apply"), this);
    m_apply->setObjectName(QStringLiteral("applyReview"));
    m_apply->setProperty("primary", true);
    m_apply->setToolTip(QStringLiteral("Apply the answer and move to the next one (Enter)"));
    m_clear = new QPushButton(QStringLiteral("Clear"), this);
    m_clear->setToolTip(QStringLiteral("Clear the answer"));
    m_skip = new QPushButton(QStringLiteral("Skip"), this);
    m_skip->setObjectName(QStringLiteral("skipReview"));
    m_skip->setToolTip(QStringLiteral("Leave this answer for later: it waits at the end of the "
                                      "queue (Esc)"));
    m_dictate = new QToolButton(this);
    m_dictate->setObjectName(QStringLiteral("dictateAnswer"));
    m_dictate->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_dictate->setCheckable(true);
    m_dictate->setFocusPolicy(Qt::StrongFocus);
    buttons->addWidget(m_apply);
    buttons->addWidget(m_clear);
    buttons->addWidget(m_skip);
    buttons->addStretch();
    buttons->addWidget(m_dictate);
    layout->addLayout(buttons);
    m_dictationError = theme::label(QString(), QStringLiteral("error"), this);
    layout->addWidget(m_dictationError);
    m_notice = theme::label(QString(), QStringLiteral("error"), this);
    m_notice->setObjectName(QStringLiteral("reviewNotice"));
    m_notice->hide();
    layout->addWidget(m_notice);

    connect(m_answer, &QLineEdit::textEdited, this, &ReviewEditor::setEnteredText);
    connect(m_apply, &QPushButton::clicked, this, &ReviewEditor::apply);
    connect(m_clear, &QPushButton::clicked, this, [this] {
        setEnteredText(QString());
        focusEditor();
    });
    connect(m_skip, &QPushButton::clicked, this, [this] {
        if (m_dictation && m_dictation->isRecording())
            m_dictation->stop();
        Q_EMIT skipRequested(m_id);
    });
    connect(m_dictate, &QToolButton::clicked, this, &ReviewEditor::toggleDictation);
    m_dictation = m_dictationFactory ? m_dictationFactory(this) : nullptr;
    if (m_dictation) {
        connect(m_dictation, &SpeechInputController::transcriptChanged, this,
                [this](const QString& transcript) {
                    if (!transcript.trimmed().isEmpty())
                        setEnteredText(dictatedAnswer(transcript));
                });
        connect(m_dictation, &SpeechInputController::isRecordingChanged, this,
                &ReviewEditor::refreshDictation);
        connect(m_dictation, &SpeechInputController::errorMessageChanged, this,
                &ReviewEditor::refreshDictation);
    }
    observe(
        m_store, this, [this] { refreshAnswer(); }, &SurveyScanStore::reviewItemsChanged);
}

std::optional<QuestionReviewItem> ReviewEditor::item() const
{
    for (const QuestionReviewItem& candidate : m_store->reviewItems()) {
        if (candidate.id == m_id)
            return candidate;
    }
    return std::nullopt;
}

QStringList ReviewEditor::optionsFor(const QuestionReviewItem& item) const
{
    const auto field = m_store->templateField(item.questionNumber);
    if (!field || (field->detectionMode != SurveyDetectionMode::singleChoice &&
                   field->detectionMode != SurveyDetectionMode::multipleChoice))
        return {};
    return field->options();
}

void ReviewEditor::showItem(const QUuid& id)
{
    const bool sameItem = id == m_id;
    m_id = id;
    const auto current = item();
    setEnabled(current.has_value());
    if (!current)
        return;
    m_survey->setText(QStringLiteral("Survey ") + QString::number(current->surveyNumber));
    m_page->setText(QStringLiteral("Page ") + QString::number(current->pageNumber) +
                    QStringLiteral("  ·  Q") + QString::number(current->questionNumber));
    m_prompt->setText(current->prompt);
    if (!sameItem)
        m_crop->setImageFile(current->imageURL.isLocalFile() ? current->imageURL.toLocalFile()
                                                             : QString());
    const QString suggestion = current->suggestedText.trimmed();
    m_suggestion->setText(suggestion.isEmpty() ? QStringLiteral("No suggestion") : suggestion);
    m_confidence->setText(QString::number(static_cast<int>(current->confidence * 100)) +
                          QStringLiteral("% confidence"));
    const QString note = current->reviewNote.value_or(QString()).trimmed();
    m_noteRow->setVisible(!note.isEmpty());
    m_note->setText(note);
    const bool fromAI = note.startsWith(QStringLiteral("AI"));
    m_noteIcon->setPixmap(
        symbols::pixmap(fromAI ? QStringLiteral("sparkles") : QStringLiteral("info.circle"), 16,
                        theme::color(fromAI ? theme::Role::accent : theme::Role::secondaryText),
                        devicePixelRatioF()));

    const auto field = m_store->templateField(current->questionNumber);
    m_singleChoice = field && field->detectionMode == SurveyDetectionMode::singleChoice;
    const QStringList options = optionsFor(*current);
    if (!sameItem || options != m_options)
        rebuildOptions(options);

    if (!sameItem) {
        m_notice->hide();
        // The recogniser stays; only this dictation ends with its item.
        if (m_dictation) {
            if (m_dictation->isRecording())
                m_dictation->stop();
            const bool checkboxes =
                field && field->detectionMode == SurveyDetectionMode::multipleChoice;
            m_dictation->setAllowedAnswers(m_options.isEmpty() ? QStringList()
                                                               : m_options + spokenNoAnswerWords(),
                                           checkboxes);
        }
    }
    refreshDictation();
    refreshAnswer();
}

void ReviewEditor::rebuildOptions(const QStringList& options)
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

void ReviewEditor::refreshAnswer()
{
    const auto current = item();
    if (!current)
        return;
    if (m_answer->text() != current->enteredText) {
        const QSignalBlocker blocker(m_answer);
        m_answer->setText(current->enteredText);
    }
    const QStringList selected = selectedOptions(shownAnswer(*current), m_options);
    for (QToolButton* toggle : std::as_const(m_toggles)) {
        const QSignalBlocker blocker(toggle);
        toggle->setChecked(selected.contains(toggle->text()));
    }
    m_selectionCount->setText(selectionCountText(selected.size()));
}

void ReviewEditor::setEnteredText(const QString& text)
{
    if (const auto current = item())
        m_store->updateReviewItem(*current, text);
}

QString ReviewEditor::shownAnswer(const QuestionReviewItem& item) const
{
    return item.enteredText.trimmed().isEmpty() ? item.suggestedText : item.enteredText;
}

void ReviewEditor::pickOption(qsizetype index)
{
    const auto current = item();
    if (!current || index < 0 || index >= m_options.size())
        return;
    const QString& option = m_options[index];
    // One answer on a single-choice question: a new pick replaces the old.
    setEnteredText(m_singleChoice ? option
                                  : toggledOption(shownAnswer(*current), m_options, option));
    m_notice->hide();
}

void ReviewEditor::toggleDictation()
{
    if (!m_dictation || !item())
        return;
    m_dictation->toggle();
    refreshDictation();
}

void ReviewEditor::focusEditor()
{
    if (!m_toggles.isEmpty())
        m_toggles.constFirst()->setFocus(Qt::OtherFocusReason);
    else
        m_answer->setFocus(Qt::OtherFocusReason);
}

bool ReviewEditor::apply()
{
    const auto current = item();
    if (!current)
        return false;
    if (m_dictation && m_dictation->isRecording())
        m_dictation->stop();
    Q_EMIT aboutToApply();
    m_store->applyReviewItem(*current);
    if (item()) {
        // Nothing to apply: the store says why.
        m_notice->setText(m_store->statusMessage());
        m_notice->show();
        return false;
    }
    Q_EMIT applied(current->id);
    return true;
}

void ReviewEditor::refreshDictation()
{
    m_dictate->setVisible(m_dictation != nullptr);
    if (!m_dictation) {
        m_dictationError->hide();
        return;
    }
    const bool recording = m_dictation->isRecording();
    m_dictate->setChecked(recording);
    m_dictate->setText(recording ? QStringLiteral("Stop dictation")
                                 : QStringLiteral("Dictate answer"));
    m_dictate->setIcon(
        symbols::icon(recording ? QStringLiteral("mic.fill") : QStringLiteral("mic"),
                      theme::color(recording ? theme::Role::danger : theme::Role::icon)));
    const auto error = m_dictation->errorMessage();
    m_dictationError->setText(error.value_or(QString()));
    m_dictationError->setVisible(error.has_value());
}

void ReviewEditor::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (event->modifiers() & Qt::ControlModifier) {
            QFrame::keyPressEvent(event); // Ctrl+Return belongs to the scan command
            return;
        }
        apply();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_dictation && m_dictation->isRecording())
            m_dictation->stop();
        Q_EMIT skipRequested(m_id);
        event->accept();
        return;
    }
    // A text field keeps its digits; these keys reach here only from elsewhere.
    if (const auto index = reviewkeys::optionIndex(event->key(), event->modifiers());
        index && *index < m_options.size()) {
        pickOption(*index);
        event->accept();
        return;
    }
    QFrame::keyPressEvent(event);
}

SpeechInputController* ReviewEditor::dictation() const
{
    return m_dictation;
}
