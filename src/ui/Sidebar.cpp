#include "Sidebar.h"

#include "BrandMark.h"
#include "Observe.h"
#include "SidebarDelegate.h"
#include "Symbols.h"
#include "Theme.h"
#include "store/SurveyScanStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

Sidebar::Sidebar(SurveyScanStore* store, QWidget* parent) : QFrame(parent), m_store(store)
{
    setObjectName(QStringLiteral("sidebar"));
    setMinimumWidth(narrowestWidth);
    setMaximumWidth(widestWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 18, 0, 12);
    layout->setSpacing(12);

    auto* brand = new QHBoxLayout;
    brand->setContentsMargins(16, 0, 16, 0);
    brand->setSpacing(10);
    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("brandMark"));
    logo->setPixmap(brand::mark(36, devicePixelRatioF()));
    brand->addWidget(logo);
    auto* names = new QVBoxLayout;
    names->setSpacing(0);
    auto* name = new QLabel(QStringLiteral("Tallywicket"), this);
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.3);
    nameFont.setBold(true);
    name->setFont(nameFont);
    m_surveyCount = theme::label(QString(), QStringLiteral("caption"), this);
    m_surveyCount->setObjectName(QStringLiteral("surveyCount"));
    names->addWidget(name);
    names->addWidget(m_surveyCount);
    brand->addLayout(names, 1);
    layout->addLayout(brand);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("sectionList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setItemDelegate(new SidebarDelegate(m_list));
    m_list->setMouseTracking(true);
    m_list->setStyleSheet(QStringLiteral("QListWidget { background: transparent; outline: 0; }"));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (AppSectionCategory group : allAppSectionCategories()) {
        auto* header = new QListWidgetItem(rawValue(group), m_list);
        header->setData(SidebarDelegate::headerRole, true);
        header->setFlags(Qt::NoItemFlags);
        for (AppSection section : allAppSections()) {
            if (category(section) != group)
                continue;
            auto* item = new QListWidgetItem(
                symbols::icon(symbolName(section), theme::color(theme::Role::icon), Qt::white),
                rawValue(section), m_list);
            item->setData(SidebarDelegate::sectionRole, static_cast<int>(section));
            item->setToolTip(rawValue(section));
        }
    }
    layout->addWidget(m_list, 1);

    auto* actions = new QHBoxLayout;
    actions->setContentsMargins(12, 0, 12, 0);
    auto* refresh = new QToolButton(this);
    refresh->setIcon(symbols::icon(QStringLiteral("arrow.clockwise")));
    refresh->setToolTip(QStringLiteral("Refresh Scanners"));
    refresh->setAutoRaise(true);
    auto* settings = new QToolButton(this);
    settings->setIcon(symbols::icon(QStringLiteral("gearshape")));
    settings->setToolTip(QStringLiteral("Settings"));
    settings->setAutoRaise(true);
    actions->addWidget(refresh);
    actions->addStretch();
    actions->addWidget(settings);
    layout->addLayout(actions);

    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (!item || item->data(SidebarDelegate::headerRole).toBool())
            return;
        const auto section =
            static_cast<AppSection>(item->data(SidebarDelegate::sectionRole).toInt());
        if (section == m_current)
            return;
        m_current = section;
        Q_EMIT sectionChosen(section);
    });
    connect(refresh, &QToolButton::clicked, this, &Sidebar::refreshRequested);
    connect(settings, &QToolButton::clicked, this, &Sidebar::settingsRequested);
    observe(
        m_store, this, [this] { refreshBadges(); }, &SurveyScanStore::scannedSurveyCountChanged,
        &SurveyScanStore::reviewItemsChanged, &SurveyScanStore::configurationChanged);
    m_list->setCurrentItem(itemFor(m_current));
    refreshBadges();
}

QListWidgetItem* Sidebar::itemFor(AppSection section) const
{
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        if (!item->data(SidebarDelegate::headerRole).toBool() &&
            item->data(SidebarDelegate::sectionRole).toInt() == static_cast<int>(section))
            return item;
    }
    return nullptr;
}

void Sidebar::setCurrentSection(AppSection section)
{
    m_list->setCurrentItem(itemFor(section));
}

QString Sidebar::badgeText(AppSection section) const
{
    const QListWidgetItem* item = itemFor(section);
    return item ? item->data(SidebarDelegate::badgeRole).toString() : QString();
}

QString Sidebar::surveyCountText() const
{
    return m_surveyCount->text();
}

void Sidebar::refreshBadges()
{
    m_surveyCount->setText(QString::number(m_store->scannedSurveyCount()) +
                           QStringLiteral(" surveys"));
    const auto count = [](qint64 n) { return n > 0 ? QString::number(n) : QString(); };
    itemFor(AppSection::templateEditor)
        ->setData(SidebarDelegate::badgeRole,
                  count(m_store->configuration().templateFields.size()));
    itemFor(AppSection::answers)
        ->setData(SidebarDelegate::badgeRole, count(m_store->scannedSurveyCount()));
    itemFor(AppSection::review)
        ->setData(SidebarDelegate::badgeRole, count(m_store->reviewItems().size()));
}
