#include "CliArguments.h"

#include <QFileInfo>

namespace {

const QStringList kValueOptions{QStringLiteral("--template"), QStringLiteral("--sides"),
                                QStringLiteral("--csv"),      QStringLiteral("--project"),
                                QStringLiteral("--review"),   QStringLiteral("--jobs")};

std::optional<PageNumbering> sidesFromName(const QString& name)
{
    if (name == QLatin1String("single"))
        return PageNumbering::singleSided;
    if (name == QLatin1String("duplex"))
        return PageNumbering::automaticDuplex;
    if (name == QLatin1String("manual"))
        return PageNumbering::manualTwoSided;
    return std::nullopt;
}

CliParseResult usageError(const QString& error)
{
    CliParseResult result;
    result.error = error;
    return result;
}

bool sameFile(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() &&
           QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// Applies one option's value; returns the usage error, if any.
QString applyOption(ReadArguments& read, const QString& name, const QString& value)
{
    if (name == QLatin1String("--template")) {
        if (!isTemplatePreset(value) && !value.endsWith(QLatin1String(".twk")) &&
            !value.contains(QLatin1Char('/')))
            return QStringLiteral("Unknown template \"%1\": use krda2026, custom or a project "
                                  "file (.twk).")
                .arg(value);
        read.templateName = value;
    } else if (name == QLatin1String("--sides")) {
        read.sides = sidesFromName(value);
        if (!read.sides)
            return QStringLiteral("--sides must be single, duplex or manual, not \"%1\".")
                .arg(value);
    } else if (name == QLatin1String("--jobs")) {
        bool ok = false;
        const int jobs = value.toInt(&ok);
        if (!ok || jobs < 1 || jobs > 256)
            return QStringLiteral("--jobs needs a whole number from 1 to 256, not \"%1\".")
                .arg(value);
        read.jobs = jobs;
    } else if (name == QLatin1String("--csv")) {
        read.csvPath = value;
    } else if (name == QLatin1String("--project")) {
        read.projectPath = value;
    } else {
        read.reviewPath = value;
    }
    return {};
}

} // namespace

bool isTemplatePreset(const QString& name)
{
    return name == QLatin1String("krda2026") || name == QLatin1String("custom");
}

CliParseResult parseCliArguments(const QStringList& arguments, int defaultJobs)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("No command given."));
    const QString& command = arguments.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help"))
        return {};
    if (command != QLatin1String("read"))
        return usageError(QStringLiteral("Unknown command \"%1\".").arg(command));

    CliParseResult result;
    result.command = CliCommand::read;
    ReadArguments& read = result.read;
    read.jobs = qMax(1, defaultJobs);
    QStringList seen;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) ||
            argument == QLatin1String("-")) {
            read.inputs.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            return {};
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        if (!kValueOptions.contains(name))
            return usageError(QStringLiteral("Unknown option %1.").arg(name));
        if (seen.contains(name))
            return usageError(QStringLiteral("Option %1 is given twice.").arg(name));
        seen.append(name);
        QString value;
        if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments.at(++i);
        }
        if (value.isEmpty())
            return usageError(QStringLiteral("Option %1 needs a value.").arg(name));
        const QString error = applyOption(read, name, value);
        if (!error.isEmpty())
            return usageError(error);
    }
    if (read.inputs.isEmpty())
        return usageError(QStringLiteral("No input files given."));
    // One output over another would lose the first one's content.
    if (sameFile(read.csvPath, read.projectPath) || sameFile(read.csvPath, read.reviewPath) ||
        sameFile(read.projectPath, read.reviewPath))
        return usageError(QStringLiteral("--csv, --project and --review must name different "
                                         "files."));
    return result;
}

QString cliUsageLine()
{
    return QStringLiteral(
        "Usage: tallywicket-cli read [--template krda2026|custom|FILE.twk] "
        "[--sides single|duplex|manual] [--csv FILE] [--project FILE] [--review FILE] "
        "[--jobs N] INPUT...\n"
        "Try 'tallywicket-cli --help' for more.\n");
}

QString cliHelpText()
{
    return QStringLiteral(
        "Usage: tallywicket-cli read [OPTIONS] INPUT...\n"
        "\n"
        "Reads scanned paper surveys and writes one CSV row per page with the\n"
        "answers of the survey the page belongs to.\n"
        "\n"
        "INPUT is an image file (PNG, JPEG, TIFF, PNM), a PDF file (each page is\n"
        "rendered at 300 dpi) or a folder (its image and PDF files in natural\n"
        "file-name order). Pages are numbered in the order given.\n"
        "\n"
        "Options:\n"
        "  --template NAME  krda2026 (the built-in survey, default), custom, or a\n"
        "                   project file (.twk) whose survey configuration is used.\n"
        "  --sides MODE     How the pages make surveys:\n"
        "                     single  each page is the front of its own survey\n"
        "                     duplex  front, back, front, back, ...\n"
        "                     manual  the first half are fronts, the second half\n"
        "                             the backs in the same order\n"
        "                   Default: single, or the project file's setting.\n"
        "  --csv FILE       Write the CSV there (with header) instead of to\n"
        "                   standard output.\n"
        "  --project FILE   Also write a project file the desktop app opens.\n"
        "  --review FILE    Write the answers that need a person's check as a JSON\n"
        "                   array: surveyNumber, pageNumber, questionNumber, prompt,\n"
        "                   suggestedText, confidence, imageFile (the cropped image).\n"
        "                   The crops go to a folder beside it named after it\n"
        "                   (review.json: review-crops); none without --review.\n"
        "  --jobs N         Pages read at the same time (default: number of cores).\n"
        "  -h, --help       Show this help.\n"
        "\n"
        "Progress (\"page 3 of 40\") and problems go to standard error. A missing or\n"
        "unreadable input is named there with the reason; the other pages are still\n"
        "read.\n"
        "\n"
        "Exit status: 0 when every page was read and every file written, 1 when an\n"
        "input or output had a problem or the text recognition model is missing,\n"
        "2 for a usage error.\n");
}
