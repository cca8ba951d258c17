#include "ReviewScreen.h"

#include "EmptyState.h"
#include "Observe.h"
#include "PageView.h"
#include "QuestionReviewGrid.h"
#include "ReviewDictation.h"
#include "ReviewKeys.h"
#include "Symbols.h"
#include "Theme.h"
#include "store/SurveyScanStore.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLoggingCategory>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

Q_LOGGING_CATEGORY(reviewTiming, "tallywicket.review.timing", QtWarningMsg)

// From Enter to the next item on screen, for the log (enable with
// QT_LOGGING_RULES="tallywicket.review.timing.info=true").
QElapsedTimer& itemChangeClock()
{
    static QElapsedTimer clock;
    return clock;
}

// One line of the question in the queue; the editor shows all of it.
QString shortPrompt(const QString& prompt)
{
    constexpr qsizetype longest = 34;
    const QString line = prompt.simplified();
    return line.size() <= longest ? line : line.left(longest - 1).trimmed() + QChar(0x2026);
}

} // namespace

ReviewScreen::ReviewScreen(SurveyScanStore* store, DictationFactory dictation, QWidget* parent)
    : QWidget(parent), m_store(store),
      m_dictation(new ReviewDictation(store, dictation ? dictation(nullptr) : nullptr, this))
{
    setObjectName(QStringLiteral("screen"));
    auto* layout = theme::screenColumn(this);
    m_title = theme::label(QString(), QStringLiteral("title"), this);
    m_title->setObjectName(QStringLiteral("reviewTitle"));
    auto* header = new QHBoxLayout;
    header->addWidget(m_title);
    header->addStretch();
    auto* modes = new QButtonGroup(this);
    m_bySheet = new QToolButton(this);
    m_bySheet->setText(QStringLiteral("By Sheet"));
    m_bySheet->setToolTip(QStringLiteral("One item at a time, sheet by sheet"));
    m_byQuestion = new QToolButton(this);
    m_byQuestion->setText(QStringLiteral("By Question"));
    m_byQuestion->setToolTip(
        QStringLiteral("One question's pending answers across all sheets at once"));
    for (QToolButton* button : {m_bySheet, m_byQuestion}) {
        button->setCheckable(true);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setProperty("option", true);
        modes->addButton(button);
        header->addWidget(button);
    }
    m_bySheet->setChecked(true);
    m_pageButton = new QToolButton(this);
    m_pageButton->setObjectName(QStringLiteral("showPage"));
    m_pageButton->setText(QStringLiteral("Page"));
    m_pageButton->setCheckable(true);
    m_pageButton->setFocusPolicy(Qt::StrongFocus);
    m_pageButton->setProperty("option", true);
    m_pageButton->setToolTip(
        QStringLiteral("The whole page beside the crop, as it was read, in place of the list (%1)")
            .arg(reviewkeys::pageView().toString(QKeySequence::NativeText)));
    header->addSpacing(12);
    header->addWidget(m_pageButton);
    layout->addLayout(header);

    m_body = new QSplitter(Qt::Horizontal, this);
    m_body->setChildrenCollapsible(false);
    m_stack = new QStackedWidget(m_body);
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
    m_editor = new ReviewEditor(m_store, m_dictation, editorHost);
    editorLayout->addWidget(m_editor);
    editorLayout->addStretch();
    scroll->setWidget(editorHost);
    splitter->addWidget(m_queue);
    splitter->addWidget(scroll);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 600});
    m_stack->addWidget(splitter);
    m_grid = new QuestionReviewGrid(m_store, m_dictation, m_stack);
    m_stack->addWidget(m_grid);
    m_pageView = new PageView(m_body);
    m_pageView->hide();
    m_body->addWidget(m_stack);
    m_body->addWidget(m_pageView);
    layout->addWidget(m_body, 1);
    connect(modes, &QButtonGroup::buttonToggled, this, [this](QAbstractButton*, bool checked) {
        if (checked)
            showModePage();
    });

    const auto addShortcut = [this](const QKeySequence& keys, auto run) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, run);
    };
    addShortcut(reviewkeys::next(), [this] { step(1); });
    addShortcut(reviewkeys::previous(), [this] { step(-1); });
    addShortcut(reviewkeys::dictate(), [this] {
        if (showsByQuestion())
            m_grid->toggleDictation();
        else
            m_editor->toggleDictation();
    });
    addShortcut(reviewkeys::pageView(), [this] { togglePageView(); });
    addShortcut(reviewkeys::zoomIn(), [this] { m_pageView->zoomBy(1.25); });
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { m_pageView->zoomBy(1.25); });
    addShortcut(reviewkeys::zoomOut(), [this] { m_pageView->zoomBy(1 / 1.25); });
    addShortcut(reviewkeys::fitPage(), [this] { m_pageView->fitPage(); });
    connect(m_pageButton, &QToolButton::toggled, this, [this](bool on) {
        if (on != showsPageView())
            togglePageView();
    });
    connect(m_grid, &QuestionReviewGrid::currentItemChanged, this, &ReviewScreen::refreshPageView);
    m_queue->setToolTip(QStringLiteral("Next item: %1, previous item: %2")
                            .arg(reviewkeys::next().toString(QKeySequence::NativeText),
                                 reviewkeys::previous().toString(QKeySequence::NativeText)));
    m_editor->dictationButton()->setToolTip(
        QStringLiteral("Dictate answer (%1)")
            .arg(reviewkeys::dictate().toString(QKeySequence::NativeText)));
    connect(m_editor, &ReviewEditor::skipRequested, this, [this](const QUuid& id) {
        for (const QuestionReviewItem& item : m_store->reviewItems()) {
            if (item.id == id) {
                const int row = m_queue->currentRow();
                itemChangeClock().start();
                m_store->skipReviewItem(item);
                // The skipped item went to the end; the row now holds the next.
                if (m_queue->item(row) && m_queue->item(row)->data(Qt::UserRole).toUuid() == id)
                    step(1);
                else
                    select(row);
                return;
            }
        }
    });

    connect(m_queue, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0)
            return;
        m_lastRow = row;
        m_editor->showItem(m_queue->item(row)->data(Qt::UserRole).toUuid());
        refreshPageView();
        if (itemChangeClock().isValid()) {
            qCInfo(reviewTiming) << "next item shown after"
                                 << itemChangeClock().nsecsElapsed() / 1e6 << "ms";
            itemChangeClock().invalidate();
        }
    });
    connect(m_editor, &ReviewEditor::aboutToApply, this, [] { itemChangeClock().start(); });
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
    showModePage();

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
        refreshPageView();
    }
}

bool ReviewScreen::showsByQuestion() const
{
    return m_byQuestion->isChecked();
}

void ReviewScreen::setByQuestion(bool byQuestion)
{
    (byQuestion ? m_byQuestion : m_bySheet)->setChecked(true);
}

void ReviewScreen::showModePage()
{
    const bool empty = m_store->reviewItems().isEmpty();
    m_stack->setCurrentIndex(empty ? 0 : showsByQuestion() ? 2 : 1);
    m_pageButton->setEnabled(!empty);
    if (empty && showsPageView())
        togglePageView();
    refreshPageView();
}

bool ReviewScreen::showsPageView() const
{
    return !m_pageView->isHidden();
}

void ReviewScreen::togglePageView()
{
    const bool show = !showsPageView() && !m_store->reviewItems().isEmpty();
    m_pageView->setVisible(show);
    // The page takes the list's room (the keys still step through the
    // queue): half the screen is enough to read its print.
    m_queue->setHidden(show);
    if (show) {
        const int width = m_body->width();
        m_body->setSizes({width / 2, width - width / 2});
    }
    {
        const QSignalBlocker blocker(m_pageButton);
        m_pageButton->setChecked(show);
    }
    refreshPageView();
}

QUuid ReviewScreen::currentItemID() const
{
    return showsByQuestion() ? m_grid->currentItemID() : m_editor->itemID();
}

void ReviewScreen::refreshPageView()
{
    // A hidden view loads nothing.
    if (!showsPageView())
        return;
    const QUuid id = currentItemID();
    for (const QuestionReviewItem& item : m_store->reviewItems()) {
        if (item.id == id) {
            m_pageView->showItem(item);
            return;
        }
    }
}

void ReviewScreen::step(int rows)
{
    const int count = m_queue->count();
    if (showsByQuestion() || count == 0)
        return;
    itemChangeClock().start();
    // Round the queue: past the last item comes the first again.
    select(((m_queue->currentRow() + rows) % count + count) % count);
}

void ReviewScreen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_store->reviewItems().isEmpty())
        m_editor->focusEditor();
}
