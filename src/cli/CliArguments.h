#pragma once

#include "scanner/PageNumbering.h"

#include <QString>
#include <QStringList>
#include <optional>

// What `tallywicket-cli read` was asked to do.
struct ReadArguments
{
    // "krda2026", "custom" or the path of a project file.
    QString templateName = QStringLiteral("krda2026");
    // Absent: single-sided, or the project file's own setting.
    std::optional<PageNumbering> sides;
    QString csvPath;
    QString projectPath;
    QString reviewPath;
    int jobs = 1;
    QStringList inputs;

    bool operator==(const ReadArguments&) const = default;
};

enum class CliCommand
{
    help,
    read
};

// The parsed command line, or the reason it is not one.
struct CliParseResult
{
    CliCommand command = CliCommand::help;
    ReadArguments read;
    // Not empty for a usage error.
    QString error;
};

// Parses the arguments after the program name. `defaultJobs` is the number
// of cores.
CliParseResult parseCliArguments(const QStringList& arguments, int defaultJobs);

// The --help text.
QString cliHelpText();

// The short reminder printed after a usage error.
QString cliUsageLine();

// True for the two built-in template names.
bool isTemplatePreset(const QString& name);
