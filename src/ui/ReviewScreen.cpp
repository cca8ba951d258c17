#include "ReviewScreen.h"

#include "EmptyState.h"
#include "Observe.h"
#include "Symbols.h"
#include "Theme.h"
#include "store/SurveyScanStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// One line of the question in the queue; the editor shows all of it.
QString shortPrompt(const QString& prompt)
{
    constexpr qsizetype longest = 34;
    const QString line = prompt.simplified();
    return line.size() <= longest ? line : line.left(longest - 1).trimmed() + QChar(0x2026);
}

} // namespace

ReviewScreen::ReviewScreen(SurveyScanStore* store, DictationFactory dictation, QWidget* parent)
    : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("screen"));
    auto* layout = theme::screenColumn(this);
    m_title = theme::label(QString(), QStringLiteral("title"), this);
    m_title->setObjectName(QStringLiteral("reviewTitle"));
    layout->addWidget(m_title);

    m_stack = new QStackedWidget(this);
    m_empty =
        new EmptyState(QStringLiteral("text.viewfinder"), QStringLiteral("No answers need review"),
                       QStringLiteral("Handwritten or uncertain answers will appear here "
                                      "after a scan."),
                       m_stack);
    m_stack->addWidget(m_empty);

    auto* splitter = new QSplitter(Qt::Horizontal, m_stack);
    splitter->setChildrenCollapsible(false);
    m_queue = new QListWidget(splitter);
    m_queue->setObjectName(QStringLiteral("reviewQueue"));
    m_queue->setMinimumWidth(180);
    m_queue->setMaximumWidth(320);
    m_queue->setIconSize(QSize(16, 16));
    m_queue->setSpacing(2);
    m_queue->setWordWrap(false);
    m_queue->setUniformItemSizes(true);
    m_queue->setTextElideMode(Qt::ElideRight);
    auto* scroll = new QScrollArea(splitter);
    scroll->setObjectName(QStringLiteral("screenScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* editorHost = new QWidget(scroll);
    editorHost->setObjectName(QStringLiteral("screenBody"));
    auto* editorLayout = new QVBoxLayout(editorHost);
    editorLayout->setContentsMargins(0, 0, 4, 0);
    m_editor = new ReviewEditor(m_store, std::move(dictation), editorHost);
    editorLayout->addWidget(m_editor);
    editorLayout->addStretch();
    scroll->setWidget(editorHost);
    splitter->addWidget(m_queue);
    splitter->addWidget(scroll);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 600});
    m_stack->addWidget(splitter);
    layout->addWidget(m_stack, 1);

    connect(m_queue, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0)
            return;
        m_lastRow = row;
        m_editor->showItem(m_queue->item(row)->data(Qt::UserRole).toUuid());
    });
    connect(m_queue, &QListWidget::itemActivated, this, [this] { m_editor->focusEditor(); });
    connect(m_editor, &ReviewEditor::applied, this, [this] { m_editor->focusEditor(); });
    observe(
        m_store, this, [this] { refresh(); }, &SurveyScanStore::reviewItemsChanged,
        &SurveyScanStore::configurationChanged);
    refresh();
}

QString ReviewScreen::queueTitle(qsizetype count)
{
    return QStringLiteral("Review (") + QString::number(count) + QStringLiteral(")");
}

void ReviewScreen::refresh()
{
    const QList<QuestionReviewItem>& items = m_store->reviewItems();
    m_title->setText(queueTitle(items.size()));
    m_stack->setCurrentIndex(items.isEmpty() ? 0 : 1);

    const QUuid current = m_editor->itemID();
    QList<QUuid> shown;
    for (int row = 0; row < m_queue->count(); ++row)
        shown.append(m_queue->item(row)->data(Qt::UserRole).toUuid());
    QList<QUuid> ids;
    for (const QuestionReviewItem& item : items)
        ids.append(item.id);

    if (shown != ids) {
        const QSignalBlocker blocker(m_queue);
        m_queue->clear();
        for (const QuestionReviewItem& item : items) {
            const bool fromAI =
                item.reviewNote.value_or(QString()).startsWith(QStringLiteral("AI"));
            auto* entry = new QListWidgetItem(
                fromAI ? symbols::icon(QStringLiteral("sparkles"),
                                       theme::color(theme::Role::accent), Qt::white)
                       : symbols::icon(QStringLiteral("text.viewfinder"),
                                       theme::color(theme::Role::icon), Qt::white),
                QStringLiteral("Survey %1  ·  Page %2\n%3")
                    .arg(item.surveyNumber)
                    .arg(item.pageNumber)
                    .arg(shortPrompt(item.prompt)),
                m_queue);
            entry->setData(Qt::UserRole, item.id);
            entry->setToolTip(item.prompt);
        }
    }
    if (items.isEmpty())
        return;
    const qsizetype keep = ids.indexOf(current);
    // The item just applied is gone: the one that took its place is next.
    select(keep >= 0 ? static_cast<int>(keep)
                     : std::clamp(m_lastRow, 0, static_cast<int>(items.size()) - 1));
}

void ReviewScreen::select(int row)
{
    if (m_queue->currentRow() != row) {
        m_queue->setCurrentRow(row);
    } else {
        m_editor->showItem(m_queue->item(row)->data(Qt::UserRole).toUuid());
    }
}

void ReviewScreen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_store->reviewItems().isEmpty())
        m_editor->focusEditor();
}
