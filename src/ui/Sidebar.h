#pragma once

#include "AppSection.h"

#include <QFrame>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;
class SurveyScanStore;

// The left column: the brand header, the sections grouped under their
// categories with symbols and count badges, and quick actions.
class Sidebar : public QFrame
{
    Q_OBJECT
public:
    explicit Sidebar(SurveyScanStore* store, QWidget* parent = nullptr);

    void setCurrentSection(AppSection section);
    // The badge of a section's item; empty when it shows none.
    QString badgeText(AppSection section) const;
    QString surveyCountText() const;
    QListWidget* list() const { return m_list; }

    static constexpr int narrowestWidth = 190;
    static constexpr int idealWidth = 220;
    static constexpr int widestWidth = 260;

Q_SIGNALS:
    void sectionChosen(AppSection section);
    void refreshRequested();
    void settingsRequested();

private:
    QListWidgetItem* itemFor(AppSection section) const;
    void refreshBadges();

    SurveyScanStore* m_store;
    QLabel* m_surveyCount;
    QListWidget* m_list;
    AppSection m_current = AppSection::project;
};
