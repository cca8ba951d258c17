#include "QuestionReviewGrid.h"

#include "CropView.h"
#include "FlowLayout.h"
#include "Observe.h"
#include "Theme.h"
#include "store/SurveyScanStore.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QScrollArea>
#include <QSet>
#include <QVBoxLayout>
#include <algorithm>

QuestionReviewGrid::QuestionReviewGrid(SurveyScanStore* store, QWidget* parent)
    : QWidget(parent), m_store(store)
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
    observe(
        m_store, this, [this] { refresh(); }, &SurveyScanStore::reviewItemsChanged);
    refresh();
}

qint64 QuestionReviewGrid::chosenQuestion() const
{
    return m_picker->currentData().toLongLong();
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
    QUuid focusAfter;
    for (auto it = m_cardWidgets.begin(); it != m_cardWidgets.end();) {
        if (ids.contains(it.key())) {
            ++it;
            continue;
        }
        if (m_fields.value(it.key()) && m_fields.value(it.key())->hasFocus())
            focusAfter = it.key();
        m_fields.remove(it.key());
        it.value()->deleteLater();
        it.value()->hide();
        m_cards->removeWidget(it.value());
        it = m_cardWidgets.erase(it);
    }
    for (const QuestionReviewItem& item : shown) {
        if (m_cardWidgets.contains(item.id)) {
            QLineEdit* field = m_fields.value(item.id);
            if (field->text() != item.enteredText && !field->hasFocus())
                field->setText(item.enteredText);
            continue;
        }
        auto* card = new QFrame(m_cardsHost);
        card->setObjectName(QStringLiteral("card"));
        card->setFixedWidth(300);
        auto* cardLayout = new QVBoxLayout(card);
        cardLayout->setContentsMargins(10, 10, 10, 10);
        cardLayout->addWidget(theme::label(
            QStringLiteral("Survey %1  ·  Page %2").arg(item.surveyNumber).arg(item.pageNumber),
            QStringLiteral("caption"), card));
        auto* crop = new CropView(card);
        crop->setImageFile(item.imageURL.isLocalFile() ? item.imageURL.toLocalFile() : QString());
        cardLayout->addWidget(crop);
        const QString suggestion = item.suggestedText.trimmed();
        if (!suggestion.isEmpty())
            cardLayout->addWidget(theme::label(QStringLiteral("Suggestion: ") + suggestion,
                                               QStringLiteral("caption"), card));
        auto* field = new QLineEdit(item.enteredText, card);
        field->setObjectName(QStringLiteral("gridAnswer"));
        field->setPlaceholderText(QStringLiteral("Type answer"));
        field->setToolTip(QStringLiteral("Enter or leaving the field applies the answer; an empty "
                                         "field applies nothing (type N/A for a blank answer)"));
        cardLayout->addWidget(field);
        const QUuid id = item.id;
        connect(field, &QLineEdit::textEdited, this, [this, id](const QString& text) {
            for (const QuestionReviewItem& candidate : m_store->reviewItems()) {
                if (candidate.id == id)
                    m_store->updateReviewItem(candidate, text);
            }
        });
        connect(field, &QLineEdit::editingFinished, this, [this, id] { applyField(id); });
        m_cards->addWidget(card);
        m_cardWidgets.insert(id, card);
        m_fields.insert(id, field);
    }
    if (!focusAfter.isNull())
        focusFirst();
}

void QuestionReviewGrid::applyField(const QUuid& id)
{
    QLineEdit* field = m_fields.value(id);
    if (!field || field->text().trimmed().isEmpty())
        return;
    for (const QuestionReviewItem& candidate : m_store->reviewItems()) {
        if (candidate.id == id) {
            QuestionReviewItem item = candidate;
            item.enteredText = field->text();
            m_store->applyReviewItem(item);
            return;
        }
    }
}

void QuestionReviewGrid::focusFirst()
{
    for (int i = 0; i < m_cards->count(); ++i) {
        QWidget* card = m_cards->itemAt(i)->widget();
        for (auto it = m_cardWidgets.cbegin(); it != m_cardWidgets.cend(); ++it) {
            if (it.value() == card && !card->isHidden()) {
                m_fields.value(it.key())->setFocus(Qt::TabFocusReason);
                return;
            }
        }
    }
}
