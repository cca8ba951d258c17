#include "FilePanels.h"

FilePanelRequest projectSavePanel(const QString& title)
{
    return {FilePanelRequest::Kind::save,
            FilePanelRequest::FileType::project,
            QStringLiteral("Save Project"),
            title + QStringLiteral(".twk"),
            {QStringLiteral("Tallywicket project (*.twk)")},
            true};
}

FilePanelRequest projectOpenPanel()
{
    return {FilePanelRequest::Kind::open,
            FilePanelRequest::FileType::project,
            QStringLiteral("Open Project"),
            QString(),
            {QStringLiteral("Tallywicket project (*.twk)")},
            false};
}

FilePanelRequest csvSavePanel(const QString& title, const QString& panelTitle)
{
    return {FilePanelRequest::Kind::save,
            FilePanelRequest::FileType::csv,
            panelTitle,
            title + QStringLiteral("-responses.csv"),
            {QStringLiteral("CSV files (*.csv)")},
            true};
}
