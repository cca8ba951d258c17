#include "QuestionReviewGrid.h"

#include "CropView.h"
#include "FlowLayout.h"
#include "Observe.h"
#include "ReviewAnswerInput.h"
#include "ReviewDictation.h"
#include "ReviewKeys.h"
#include "Symbols.h"
#include "Theme.h"
#include "store/SurveyScanStore.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QScrollArea>
#include <QSet>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

QuestionReviewGrid::QuestionReviewGrid(SurveyScanStore* store, ReviewDictation* dictation,
                                       QWidget* parent)
    : QWidget(parent), m_store(store), m_dictation(dictation)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* pickerRow = new QHBoxLayout;
    pickerRow->addWidget(theme::label(QStringLiteral("Question"), QStringLiteral("heading"), this));
    m_picker = new QComboBox(this);
    m_picker->setObjectName(QStringLiteral("reviewQuestionPicker"));
    m_picker->setToolTip(QStringLiteral("The question whose pending answers are shown"));
    pickerRow->addWidget(m_picker, 1);
    layout->addLayout(pickerRow);
    m_dictationError = theme::label(QString(), QStringLiteral("error"), this);
    m_dictationError->hide();
    layout->addWidget(m_dictationError);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cardsHost = new QWidget(scroll);
    m_cards = new FlowLayout(m_cardsHost, 10);
    scroll->setWidget(m_cardsHost);
    layout->addWidget(scroll, 1);

    connect(m_picker, &QComboBox::currentIndexChanged, this, [this] {
        const qint64 question = chosenQuestion();
        if (question == m_question)
            return;
        m_question = question;
        rebuildCards();
    });
    // The card the keyboard enters is the current one: the page view and
    // dictation follow it.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (auto it = m_cardOf.cbegin(); it != m_cardOf.cend(); ++it) {
            if (now && it->frame->isAncestorOf(now)) {
                setCurrent(it.key());
                return;
            }
        }
    });
    connect(m_dictation, &ReviewDictation::changed, this, &QuestionReviewGrid::refreshDictation);
    observe(
        m_store, this, [this] { refresh(); }, &SurveyScanStore::reviewItemsChanged,
        &SurveyScanStore::configurationChanged);
    refresh();
}

qint64 QuestionReviewGrid::chosenQuestion() const
{
    return m_picker->currentData().toLongLong();
}

QLineEdit* QuestionReviewGrid::field(const QUuid& id) const
{
    const ReviewAnswerInput* shown = input(id);
    return shown ? shown->field() : nullptr;
}

void QuestionReviewGrid::refresh()
{
    QMap<qint64, int> pending;
    QMap<qint64, QString> prompts;
    for (const QuestionReviewItem& item : m_store->reviewItems()) {
        ++pending[item.questionNumber];
        prompts.insert(item.questionNumber, item.prompt.simplified());
    }
    {
        const QSignalBlocker blocker(m_picker);
        m_picker->clear();
        for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
            m_picker->addItem(QStringLiteral("Q%1  ·  %2 pending  ·  %3")
                                  .arg(it.key())
                                  .arg(it.value())
                                  .arg(prompts.value(it.key())),
                              it.key());
        }
        // The question with the most answers waiting saves the most switches.
        int keep = m_picker->findData(m_question);
        if (keep < 0 && !pending.isEmpty()) {
            const auto most = std::max_element(pending.cbegin(), pending.cend());
            keep = m_picker->findData(most.key());
        }
        m_picker->setCurrentIndex(std::max(keep, 0));
    }
    m_question = chosenQuestion();
    rebuildCards();
}

QuestionReviewGrid::Card QuestionReviewGrid::makeCard(const QuestionReviewItem& item)
{
    Card card;
    auto* frame = new QFrame(m_cardsHost);
    frame->setObjectName(QStringLiteral("card"));
    frame->setFixedWidth(300);
    card.frame = frame;
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(10, 10, 10, 10);
    auto* header = new QHBoxLayout;
    header->addWidget(theme::label(
        QStringLiteral("Survey %1  ·  Page %2").arg(item.surveyNumber).arg(item.pageNumber),
        QStringLiteral("caption"), frame));
    header->addStretch();
    const QUuid id = item.id;
    if (m_dictation->isAvailable()) {
        card.dictate = new QToolButton(frame);
        card.dictate->setObjectName(QStringLiteral("gridDictate"));
        card.dictate->setCheckable(true);
        card.dictate->setFocusPolicy(Qt::StrongFocus);
        card.dictate->setIcon(
            symbols::icon(QStringLiteral("mic"), theme::color(theme::Role::icon)));
        card.dictate->setToolTip(
            QStringLiteral("Dictate this answer (%1)")
                .arg(reviewkeys::dictate().toString(QKeySequence::NativeText)));
        connect(card.dictate, &QToolButton::clicked, this, [this, id] {
            setCurrent(id);
            m_dictation->toggle(id);
        });
        header->addWidget(card.dictate);
    }
    layout->addLayout(header);
    auto* crop = new CropView(frame);
    crop->setImageFile(item.imageURL.isLocalFile() ? item.imageURL.toLocalFile() : QString());
    layout->addWidget(crop);
    const QString suggestion = item.suggestedText.trimmed();
    if (!suggestion.isEmpty())
        layout->addWidget(theme::label(QStringLiteral("Suggestion: ") + suggestion,
                                       QStringLiteral("caption"), frame));
    card.input = new ReviewAnswerInput(m_store, true, frame);
    card.input->field()->setObjectName(QStringLiteral("gridAnswer"));
    card.input->field()->setToolTip(
        QStringLiteral("Enter applies the answer, as does leaving the card with an answer typed; "
                       "an empty field applies nothing (type N/A for a blank answer)"));
    card.input->setItem(item);
    layout->addWidget(card.input);
    connect(card.input, &ReviewAnswerInput::submitted, this, [this, id] { apply(id); });
    connect(card.input->field(), &QLineEdit::editingFinished, this, [this, id] {
        // Only moving elsewhere in the window applies: not a click on one of
        // the card's options, nor the window losing the keyboard.
        const Card shown = m_cardOf.value(id);
        QWidget* focus = QApplication::focusWidget();
        if (shown.frame && focus && focus->window() == window() &&
            !shown.frame->isAncestorOf(focus))
            applyTyped(id);
    });
    return card;
}

void QuestionReviewGrid::rebuildCards()
{
    QList<QuestionReviewItem> shown;
    for (const QuestionReviewItem& item : m_store->reviewItems()) {
        if (item.questionNumber == m_question)
            shown.append(item);
    }
    // Cards of items still pending stay as they are, so typing in one is
    // never interrupted by another being applied.
    QSet<QUuid> ids;
    for (const QuestionReviewItem& item : shown)
        ids.insert(item.id);
    bool focusLost = false;
    for (auto it = m_cardOf.begin(); it != m_cardOf.end();) {
        if (ids.contains(it.key())) {
            ++it;
            continue;
        }
        QWidget* focus = QApplication::focusWidget();
        focusLost = focusLost || (focus && it->frame->isAncestorOf(focus));
        it->frame->hide();
        it->frame->deleteLater();
        m_cards->removeWidget(it->frame);
        it = m_cardOf.erase(it);
    }
    for (const QuestionReviewItem& item : shown) {
        if (const Card card = m_cardOf.value(item.id); card.input) {
            card.input->refresh();
            continue;
        }
        const Card card = makeCard(item);
        m_cards->addWidget(card.frame);
        m_cardOf.insert(item.id, card);
    }
    if (!m_cardOf.contains(m_current))
        setCurrent(shown.isEmpty() ? QUuid() : shown.first().id);
    if (focusLost)
        focusFirst();
    refreshDictation();
}

void QuestionReviewGrid::apply(const QUuid& id)
{
    for (const QuestionReviewItem& item : m_store->reviewItems()) {
        if (item.id == id) {
            m_dictation->keepOnly(QUuid());
            m_store->applyReviewItem(item);
            return;
        }
    }
}

void QuestionReviewGrid::applyTyped(const QUuid& id)
{
    const QLineEdit* typed = field(id);
    if (typed && !typed->text().trimmed().isEmpty())
        apply(id);
}

void QuestionReviewGrid::setCurrent(const QUuid& id)
{
    if (m_current == id)
        return;
    m_current = id;
    m_dictation->keepOnly(id);
    Q_EMIT currentItemChanged(id);
}

void QuestionReviewGrid::toggleDictation()
{
    if (m_cardOf.contains(m_current))
        m_dictation->toggle(m_current);
}

void QuestionReviewGrid::refreshDictation()
{
    for (auto it = m_cardOf.cbegin(); it != m_cardOf.cend(); ++it) {
        if (!it->dictate)
            continue;
        const bool recording = m_dictation->isDictating(it.key());
        it->dictate->setChecked(recording);
        it->dictate->setIcon(
            symbols::icon(recording ? QStringLiteral("mic.fill") : QStringLiteral("mic"),
                          theme::color(recording ? theme::Role::danger : theme::Role::icon)));
    }
    const auto error = m_dictation->errorFor(m_current);
    m_dictationError->setText(error.value_or(QString()));
    m_dictationError->setVisible(error.has_value());
}

void QuestionReviewGrid::focusFirst()
{
    for (int i = 0; i < m_cards->count(); ++i) {
        QWidget* frame = m_cards->itemAt(i)->widget();
        for (auto it = m_cardOf.cbegin(); it != m_cardOf.cend(); ++it) {
            if (it->frame == frame && !frame->isHidden()) {
                it->input->focusInput();
                return;
            }
        }
    }
}
