#pragma once

#include "ScreenPage.h"

#include <QList>

class EmptyState;
class QPushButton;
class QVBoxLayout;
class QWidget;
class SurveyScanStore;
class TemplateFieldRow;

// The survey template: scan a blank survey, apply the preset, and edit each
// section's text, detection and answer choices.
class TemplateScreen : public ScreenPage
{
    Q_OBJECT
public:
    explicit TemplateScreen(SurveyScanStore* store, QWidget* parent = nullptr);

    const QList<TemplateFieldRow*>& rows() const { return m_rows; }

private:
    void refresh();
    void rebuildRows();

    SurveyScanStore* m_store;
    QPushButton* m_scanTemplate;
    EmptyState* m_empty;
    QWidget* m_sections;
    QVBoxLayout* m_rowsLayout;
    QList<TemplateFieldRow*> m_rows;
    bool m_focusNewRow = false;
};
