#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What a save or open panel should offer: a title, the suggested file name
// (save panels only) and the allowed file types as name filters.
struct FilePanelRequest
{
    enum class Kind
    {
        save,
        open
    };
    enum class FileType
    {
        project,
        csv
    };

    Kind kind = Kind::save;
    FileType fileType = FileType::project;
    QString title;
    QString suggestedName;   // "Paper Survey.twk", "Paper Survey-responses.csv"
    QStringList nameFilters; // "Tallywicket project (*.twk)", "CSV files (*.csv)"
    bool canCreateFolders = false;

    bool operator==(const FilePanelRequest&) const = default;
};

// Why the operator is asked before unsaved changes are dropped.
enum class DiscardReason
{
    newProject,
    openProject
};

// The store's only way to ask the operator for a file or a decision. The
// desktop implements it with modal dialogs; tests answer from a script.
// Every call blocks until the operator has answered.
class FilePanels
{
public:
    virtual ~FilePanels() = default;

    // The chosen local file path, or nothing when the panel was cancelled.
    virtual std::optional<QString> chooseFile(const FilePanelRequest& request) = 0;

    // True when the operator agrees to drop the unsaved changes.
    virtual bool confirmDiscardChanges(DiscardReason reason) = 0;
};

// The standard requests of the project and CSV operations.
FilePanelRequest projectSavePanel(const QString& title);
FilePanelRequest projectOpenPanel();
FilePanelRequest csvSavePanel(const QString& title, const QString& panelTitle);
