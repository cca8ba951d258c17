#include "AnswersScreen.h"

#include "AnswerDetailPane.h"
#include "AnswersTableModel.h"
#include "EmptyState.h"
#include "MetricTile.h"
#include "Observe.h"
#include "ScreenPage.h"
#include "Theme.h"
#include "store/SurveyScanStore.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

AnswersScreen::AnswersScreen(SurveyScanStore* store, QWidget* parent)
    : QWidget(parent), m_store(store)
{
    setObjectName(QStringLiteral("screen"));
    auto* layout = theme::screenColumn(this);
    layout->addWidget(theme::label(QStringLiteral("Answers"), QStringLiteral("title"), this));

    m_stack = new QStackedWidget(this);
    m_empty = new EmptyState(QStringLiteral("tablecells"), QStringLiteral("No surveys captured"),
                             QStringLiteral("Scanned survey answers will appear here."), m_stack);
    m_stack->addWidget(m_empty);

    auto* content = new QWidget(m_stack);
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(theme::cardSpacing);
    auto* tiles = makeRow(12);
    m_surveys = new MetricTile(QStringLiteral("Surveys"), QStringLiteral("doc.text"), content);
    m_pages =
        new MetricTile(QStringLiteral("Pages"), QStringLiteral("doc.text.viewfinder"), content);
    tiles->addWidget(m_surveys);
    tiles->addWidget(m_pages);
    tiles->addStretch();
    contentLayout->addLayout(tiles);

    auto* splitter = new QSplitter(Qt::Horizontal, content);
    splitter->setChildrenCollapsible(false);
    m_model = new AnswersTableModel(m_store, this);
    m_table = new QTableView(splitter);
    m_table->setObjectName(QStringLiteral("answersTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setDefaultSectionSize(110);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setWordWrap(false);
    m_table->setMinimumWidth(240);
    m_detail = new AnswerDetailPane(m_store, splitter);
    m_detail->setMinimumWidth(240);
    splitter->addWidget(m_table);
    splitter->addWidget(m_detail);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    contentLayout->addWidget(splitter, 1);
    m_stack->addWidget(content);
    layout->addWidget(m_stack, 1);

    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                const qint64 number = m_model->surveyNumber(current.row());
                if (!m_following && number >= 0)
                    m_store->setSelectedSurveyNumber(number);
            });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_table->resizeColumnToContents(0);
        m_table->resizeColumnToContents(1);
        selectStoreSurvey();
    });
    observe(
        m_store, this, [this] { refresh(); }, &SurveyScanStore::responsesChanged,
        &SurveyScanStore::pagesChanged, &SurveyScanStore::scannedSurveyCountChanged);
    observe(
        m_store, this, [this] { selectStoreSurvey(); },
        &SurveyScanStore::selectedSurveyNumberChanged);
    m_table->resizeColumnToContents(0);
    refresh();
    selectStoreSurvey();
}

void AnswersScreen::refresh()
{
    m_stack->setCurrentIndex(m_store->responses().isEmpty() ? 0 : 1);
    m_surveys->setValue(m_store->scannedSurveyCount());
    m_pages->setValue(m_store->pages().size());
}

void AnswersScreen::selectStoreSurvey()
{
    const auto selected = m_store->selectedSurveyNumber();
    const int row = selected ? m_model->rowOf(*selected) : -1;
    // The store already holds this selection; the view only follows it.
    m_following = true;
    if (row < 0) {
        m_table->clearSelection();
        m_following = false;
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    m_table->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    m_table->scrollTo(index);
    m_following = false;
}
