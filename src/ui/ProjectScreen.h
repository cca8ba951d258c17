#pragma once

#include "ScreenPage.h"

class Badge;
class MetricTile;
class QLabel;
class QLineEdit;
class QPushButton;
class SurveyScanStore;

// The project's name, file and CSV connection, and how far the work has got.
class ProjectScreen : public ScreenPage
{
    Q_OBJECT
public:
    explicit ProjectScreen(SurveyScanStore* store, QWidget* parent = nullptr);

private:
    QWidget* buildHeader();
    QWidget* buildProjectCard();
    QWidget* buildCSVCard();
    QWidget* buildProgressCard();
    void refresh();
    void commitName();

    SurveyScanStore* m_store;
    QLabel* m_projectName = nullptr;
    Badge* m_savedBadge = nullptr;
    Badge* m_stageBadge = nullptr;
    QLineEdit* m_nameField = nullptr;
    QLabel* m_projectFile = nullptr;
    Badge* m_csvStatus = nullptr;
    QLabel* m_csvFile = nullptr;
    QPushButton* m_connectCSV = nullptr;
    QPushButton* m_exportCSV = nullptr;
    MetricTile* m_surveys = nullptr;
    MetricTile* m_pages = nullptr;
    MetricTile* m_review = nullptr;
};
