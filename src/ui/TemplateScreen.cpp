#include "TemplateScreen.h"

#include "EmptyState.h"
#include "Observe.h"
#include "Symbols.h"
#include "Tasks.h"
#include "TemplateFieldRow.h"
#include "TemplatePresetQuestion.h"
#include "Theme.h"
#include "store/SurveyScanStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TemplateScreen::TemplateScreen(SurveyScanStore* store, QWidget* parent)
    : ScreenPage(parent), m_store(store)
{
    addHeader(QStringLiteral("Survey Template"),
              QStringLiteral("Scan a blank or sample survey, then choose how each section "
                             "should be read."));
    auto* buttons = makeRow();
    m_scanTemplate = new QPushButton(symbols::icon(QStringLiteral("doc.text.viewfinder")),
                                     QStringLiteral("Scan Template"));
    m_scanTemplate->setObjectName(QStringLiteral("scanTemplate"));
    auto* usePreset = new QPushButton(symbols::icon(QStringLiteral("checklist.checked")),
                                      QStringLiteral("Use KRDA 2026"));
    auto* addSection =
        new QPushButton(symbols::icon(QStringLiteral("plus")), QStringLiteral("Add Section"));
    addSection->setObjectName(QStringLiteral("addSection"));
    buttons->addWidget(m_scanTemplate);
    buttons->addWidget(usePreset);
    buttons->addWidget(addSection);
    buttons->addStretch();
    column()->addLayout(buttons);

    m_empty = new EmptyState(QStringLiteral("doc.text.viewfinder"),
                             QStringLiteral("No template sections"),
                             QStringLiteral("Scan a template or add a section to begin."));
    column()->addWidget(m_empty);
    m_sections = new QWidget;
    m_rowsLayout = new QVBoxLayout(m_sections);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(10);
    m_rowsLayout->addWidget(theme::label(QStringLiteral("Sections"), QStringLiteral("heading")));
    column()->addWidget(m_sections);
    column()->addStretch();

    connect(m_scanTemplate, &QPushButton::clicked, m_store, [this] {
        if (m_store->canScanTemplate())
            startDetached(m_store->scanTemplatePage());
    });
    connect(usePreset, &QPushButton::clicked, m_store, [this] {
        if (confirmTemplatePreset(window(), m_store->configuration(), SurveyTemplate::krda2026))
            m_store->applyTemplatePreset(SurveyTemplate::krda2026);
    });
    connect(addSection, &QPushButton::clicked, m_store, [this] {
        m_focusNewRow = true;
        m_store->addTemplateField();
    });
    observe(
        m_store, this, [this] { refresh(); }, &SurveyScanStore::configurationChanged);
    observe(
        m_store, this, [this] { m_scanTemplate->setEnabled(m_store->canScanTemplate()); },
        &SurveyScanStore::canScanTemplateChanged);
    m_scanTemplate->setEnabled(m_store->canScanTemplate());
    refresh();
}

void TemplateScreen::refresh()
{
    const QList<SurveyTemplateField>& fields = m_store->configuration().templateFields;
    m_empty->setVisible(fields.isEmpty());
    m_sections->setVisible(!fields.isEmpty());
    QList<qint64> numbers;
    for (const SurveyTemplateField& field : fields)
        numbers.append(field.number);
    QList<qint64> shown;
    for (const TemplateFieldRow* row : std::as_const(m_rows))
        shown.append(row->number());
    if (numbers != shown) {
        rebuildRows();
    } else {
        for (qsizetype i = 0; i < fields.size(); ++i)
            m_rows[i]->setField(fields[i]);
    }
    if (m_focusNewRow && !m_rows.isEmpty()) {
        m_focusNewRow = false;
        TemplateFieldRow* row = m_rows.constLast();
        row->focusQuestionText();
        // Scroll once the new row has its place in the layout.
        QTimer::singleShot(0, this, [this, row] { ensureWidgetVisible(row); });
    }
}

void TemplateScreen::rebuildRows()
{
    // Rows go later: the one whose delete button was pressed is still
    // delivering its click.
    for (TemplateFieldRow* row : std::as_const(m_rows)) {
        row->disconnect(this);
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    for (const SurveyTemplateField& field : m_store->configuration().templateFields) {
        auto* row = new TemplateFieldRow(field, m_sections);
        connect(row, &TemplateFieldRow::edited, this, [this](const SurveyTemplateField& changed) {
            m_store->updateTemplateField(changed);
        });
        connect(row, &TemplateFieldRow::deleteRequested, this,
                [this](const SurveyTemplateField& field) { m_store->deleteTemplateField(field); });
        m_rowsLayout->addWidget(row);
        m_rows.append(row);
    }
}
