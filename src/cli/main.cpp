// tallywicket-cli: reads scanned surveys into CSV, project and review files.
#include "CliArguments.h"
#include "ReadCommand.h"
#include "reading/AllocatorTuning.h"

#include <QGuiApplication>
#include <QTextStream>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv)
{
    keepLargeBlocksForReuse();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // no window is ever shown
    QGuiApplication app(argc, argv);
    // Rendered PDF pages are kept where the desktop app keeps its scans.
    QCoreApplication::setApplicationName(QStringLiteral("Tallywicket"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const CliParseResult parsed = parseCliArguments(arguments, QThread::idealThreadCount());
    if (!parsed.error.isEmpty()) {
        err << "tallywicket-cli: " << parsed.error << "\n" << cliUsageLine();
        return 2;
    }
    if (parsed.command == CliCommand::help) {
        out << cliHelpText();
        return 0;
    }
    return runReadCommand(parsed.read, out, err);
}
