#include "ReviewEditor.h"

#include "CropView.h"
#include "Observe.h"
#include "ReviewAnswerInput.h"
#include "ReviewDictation.h"
#include "Symbols.h"
#include "Theme.h"
#include "store/SurveyScanStore.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

ReviewEditor::ReviewEditor(SurveyScanStore* store, ReviewDictation* dictation, QWidget* parent)
    : QFrame(parent), m_store(store), m_dictation(dictation)
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

    m_input = new ReviewAnswerInput(m_store, false, this);
    m_input->field()->setObjectName(QStringLiteral("reviewAnswer"));
    layout->addWidget(m_input);

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

    connect(m_input, &ReviewAnswerInput::submitted, this, &ReviewEditor::apply);
    connect(m_input, &ReviewAnswerInput::optionPicked, m_notice, &QWidget::hide);
    connect(m_apply, &QPushButton::clicked, this, &ReviewEditor::apply);
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_input->setEnteredText(QString());
        focusEditor();
    });
    connect(m_skip, &QPushButton::clicked, this, [this] {
        m_dictation->stop();
        Q_EMIT skipRequested(m_id);
    });
    connect(m_dictate, &QToolButton::clicked, this, &ReviewEditor::toggleDictation);
    connect(m_dictation, &ReviewDictation::changed, this, &ReviewEditor::refreshDictation);
    observe(
        m_store, this, [this] { m_input->refresh(); }, &SurveyScanStore::reviewItemsChanged);
}

std::optional<QuestionReviewItem> ReviewEditor::item() const
{
    for (const QuestionReviewItem& candidate : m_store->reviewItems()) {
        if (candidate.id == m_id)
            return candidate;
    }
    return std::nullopt;
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

    if (!sameItem) {
        m_notice->hide();
        // The recogniser stays; only a dictation into another item ends.
        m_dictation->keepOnly(m_id);
    }
    m_input->setItem(*current);
    refreshDictation();
}

void ReviewEditor::toggleDictation()
{
    if (item())
        m_dictation->toggle(m_id);
}

void ReviewEditor::focusEditor()
{
    m_input->focusInput();
}

QLineEdit* ReviewEditor::answerField() const
{
    return m_input->field();
}

QList<QToolButton*> ReviewEditor::optionToggles() const
{
    return m_input->optionToggles();
}

bool ReviewEditor::apply()
{
    const auto current = item();
    if (!current)
        return false;
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
    m_dictate->setVisible(m_dictation->isAvailable());
    if (!m_dictation->isAvailable()) {
        m_dictationError->hide();
        return;
    }
    const bool recording = m_dictation->isDictating(m_id);
    m_dictate->setChecked(recording);
    m_dictate->setText(recording ? QStringLiteral("Stop dictation")
                                 : QStringLiteral("Dictate answer"));
    m_dictate->setIcon(
        symbols::icon(recording ? QStringLiteral("mic.fill") : QStringLiteral("mic"),
                      theme::color(recording ? theme::Role::danger : theme::Role::icon)));
    const auto error = m_dictation->errorFor(m_id);
    m_dictationError->setText(error.value_or(QString()));
    m_dictationError->setVisible(error.has_value());
}

void ReviewEditor::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_dictation->stop();
        Q_EMIT skipRequested(m_id);
        event->accept();
        return;
    }
    // Enter and the option keys act from the card's buttons too; Ctrl+Return
    // belongs to the scan command.
    if (!m_input->takeKey(event))
        QFrame::keyPressEvent(event);
}
