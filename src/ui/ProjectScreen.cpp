#include "ProjectScreen.h"

#include "Badge.h"
#include "BrandMark.h"
#include "Card.h"
#include "MetricTile.h"
#include "Observe.h"
#include "StageBadge.h"
#include "Theme.h"
#include "store/SurveyScanStore.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ProjectScreen::ProjectScreen(SurveyScanStore* store, QWidget* parent)
    : ScreenPage(parent), m_store(store)
{
    column()->addWidget(buildHeader());
    column()->addWidget(buildProjectCard());
    column()->addWidget(buildCSVCard());
    column()->addWidget(buildProgressCard());
    column()->addStretch();

    observe(
        m_store, this, [this] { refresh(); }, &SurveyScanStore::configurationChanged,
        &SurveyScanStore::isProjectDirtyChanged, &SurveyScanStore::stageChanged,
        &SurveyScanStore::projectURLChanged, &SurveyScanStore::csvURLChanged,
        &SurveyScanStore::pagesChanged, &SurveyScanStore::responsesChanged,
        &SurveyScanStore::reviewItemsChanged, &SurveyScanStore::scannedSurveyCountChanged);
    refresh();
}

QWidget* ProjectScreen::buildHeader()
{
    auto* header = new QWidget;
    auto* row = makeRow(14);
    header->setLayout(row);
    auto* logo = new QLabel(header);
    logo->setPixmap(brand::mark(56, devicePixelRatioF()));
    row->addWidget(logo, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    m_projectName = theme::label(QString(), QStringLiteral("title"), header);
    m_projectName->setObjectName(QStringLiteral("projectName"));
    texts->addWidget(m_projectName);
    auto* badges = makeRow(6);
    m_savedBadge = new Badge(header);
    m_savedBadge->setObjectName(QStringLiteral("savedBadge"));
    m_stageBadge = new Badge(header);
    badges->addWidget(m_savedBadge);
    badges->addWidget(m_stageBadge);
    badges->addStretch();
    texts->addLayout(badges);
    row->addLayout(texts, 1);
    return header;
}

QWidget* ProjectScreen::buildProjectCard()
{
    auto* card = new Card(QStringLiteral("Project"), QStringLiteral("folder"));
    auto* form = new QFormLayout;
    m_nameField = new QLineEdit(card);
    m_nameField->setObjectName(QStringLiteral("projectNameField"));
    m_nameField->setPlaceholderText(QStringLiteral("Project name"));
    form->addRow(QStringLiteral("Name"), m_nameField);
    card->body()->addLayout(form);
    m_projectFile = theme::label(QString(), QStringLiteral("caption"), card);
    m_projectFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    card->body()->addWidget(m_projectFile);

    auto* buttons = makeRow();
    auto* open = new QPushButton(QStringLiteral("Open"), card);
    auto* save = new QPushButton(QStringLiteral("Save"), card);
    auto* saveAs = new QPushButton(QStringLiteral("Save As"), card);
    buttons->addWidget(open);
    buttons->addWidget(save);
    buttons->addWidget(saveAs);
    buttons->addStretch();
    card->body()->addLayout(buttons);

    connect(m_nameField, &QLineEdit::editingFinished, this, &ProjectScreen::commitName);
    connect(open, &QPushButton::clicked, m_store, [this] { m_store->openProject(); });
    connect(save, &QPushButton::clicked, m_store, [this] {
        commitName();
        m_store->saveProject();
    });
    connect(saveAs, &QPushButton::clicked, m_store, [this] {
        commitName();
        m_store->saveProjectAs();
    });
    return card;
}

QWidget* ProjectScreen::buildCSVCard()
{
    auto* card = new Card(QStringLiteral("CSV file"), QStringLiteral("tablecells"));
    auto* top = makeRow();
    top->addWidget(theme::label(QStringLiteral("Connect a CSV to keep appending as you scan, or "
                                               "export a fresh CSV when the batch is complete."),
                                QStringLiteral("subtitle"), card),
                   1);
    m_csvStatus = new Badge(card);
    m_csvStatus->setObjectName(QStringLiteral("csvStatus"));
    top->addWidget(m_csvStatus, 0, Qt::AlignTop);
    card->body()->addLayout(top);
    m_csvFile = theme::label(QString(), QStringLiteral("caption"), card);
    m_csvFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    card->body()->addWidget(m_csvFile);
    auto* buttons = makeRow();
    m_connectCSV = new QPushButton(card);
    m_exportCSV = new QPushButton(QStringLiteral("Export CSV"), card);
    buttons->addWidget(m_connectCSV);
    buttons->addWidget(m_exportCSV);
    buttons->addStretch();
    card->body()->addLayout(buttons);
    connect(m_connectCSV, &QPushButton::clicked, m_store, [this] { m_store->chooseCSVFile(); });
    connect(m_exportCSV, &QPushButton::clicked, m_store, [this] { m_store->exportCSV(); });
    return card;
}

QWidget* ProjectScreen::buildProgressCard()
{
    auto* card = new Card(QStringLiteral("Progress"), QStringLiteral("chart.pie"));
    auto* tiles = makeRow(12);
    m_surveys = new MetricTile(QStringLiteral("Surveys"), QStringLiteral("doc.text"), card);
    m_pages = new MetricTile(QStringLiteral("Pages"), QStringLiteral("doc.text.viewfinder"), card);
    m_review = new MetricTile(QStringLiteral("Review"), QStringLiteral("text.viewfinder"), card);
    tiles->addWidget(m_surveys);
    tiles->addWidget(m_pages);
    tiles->addWidget(m_review);
    card->body()->addLayout(tiles);
    return card;
}

void ProjectScreen::refresh()
{
    const SurveyConfiguration& configuration = m_store->configuration();
    m_projectName->setText(configuration.title.trimmed().isEmpty() ? QStringLiteral("Untitled")
                                                                   : configuration.title);
    if (!m_nameField->hasFocus() && m_nameField->text() != configuration.title)
        m_nameField->setText(configuration.title);
    const bool dirty = m_store->isProjectDirty();
    m_savedBadge->setState(dirty ? QStringLiteral("Unsaved changes") : QStringLiteral("Saved"),
                           dirty ? Badge::Tone::warning : Badge::Tone::success);
    m_stageBadge->setState(rawValue(m_store->stage()), stageTone(m_store->stage()));
    const auto& project = m_store->projectURL();
    m_projectFile->setText(project ? project->toLocalFile()
                                   : QStringLiteral("Not saved to a project file yet."));

    const auto& csv = m_store->csvURL();
    m_csvStatus->setState(csv ? QStringLiteral("Ready") : QStringLiteral("Not connected"),
                          csv ? Badge::Tone::success : Badge::Tone::neutral);
    m_csvFile->setText(csv ? csv->toLocalFile() : QString());
    m_csvFile->setVisible(csv.has_value());
    m_connectCSV->setText(csv ? QStringLiteral("Change CSV") : QStringLiteral("Connect CSV"));
    m_exportCSV->setEnabled(!m_store->responses().isEmpty());

    m_surveys->setValue(m_store->scannedSurveyCount());
    m_pages->setValue(m_store->pages().size());
    m_review->setValue(m_store->reviewItems().size());
}

void ProjectScreen::commitName()
{
    const QString name = m_nameField->text();
    if (name == m_store->configuration().title)
        return;
    SurveyConfiguration configuration = m_store->configuration();
    configuration.title = name;
    m_store->setConfiguration(configuration);
}
