#include "ScanEndText.h"

#include <QDir>

namespace {

QString counted(qsizetype count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// "the feeder jammed": what happened, as it ends "... were read before".
QString stopPhrase(ScanStopCause cause)
{
    switch (cause) {
    case ScanStopCause::jammed:
        return QStringLiteral("the feeder jammed");
    case ScanStopCause::coverOpen:
        return QStringLiteral("the scanner cover was opened");
    case ScanStopCause::driverStopped:
        return QStringLiteral("the scanner driver stopped responding");
    case ScanStopCause::deviceGone:
        return QStringLiteral("the scanner was disconnected");
    case ScanStopCause::canceled:
        return QStringLiteral("the scan was canceled");
    case ScanStopCause::failed:
        break;
    }
    return QStringLiteral("the scanner reported an error");
}

QString nextStep(ScanStopCause cause)
{
    switch (cause) {
    case ScanStopCause::jammed:
        return QStringLiteral("Clear the jam and press Start Scan for the rest.");
    case ScanStopCause::coverOpen:
        return QStringLiteral("Close the cover and press Start Scan for the rest.");
    case ScanStopCause::driverStopped:
        return QStringLiteral("Turn the scanner off and on, then press Start Scan for the rest.");
    case ScanStopCause::deviceGone:
        return QStringLiteral("Reconnect the scanner and press Start Scan for the rest.");
    case ScanStopCause::canceled:
    case ScanStopCause::failed:
        break;
    }
    return QStringLiteral("Press Start Scan for the rest.");
}

// Causes the phrase does not name are followed by the scanner's own text.
QString withDetail(QString text, ScanStopCause cause, const QString& detail)
{
    if (cause == ScanStopCause::failed && !detail.isEmpty())
        text += QLatin1Char('\n') + detail;
    return text;
}

QString keptIn(const QString& folder)
{
    return QStringLiteral("The scanned pages are kept in %1.")
        .arg(QDir::toNativeSeparators(folder));
}

} // namespace

QString earlyEndText(qsizetype sheets, const ScanEarlyEnd& end)
{
    const QString text =
        QStringLiteral("%1 %2 read before %3. %4")
            .arg(counted(sheets, "sheet", "sheets"), QLatin1String(sheets == 1 ? "was" : "were"),
                 stopPhrase(end.cause), nextStep(end.cause));
    return withDetail(text, end.cause, end.detail);
}

QString unpairedSidesText(qsizetype fronts, qsizetype backs, const QString& folder)
{
    return QStringLiteral("%1 and %2 were scanned. Feed the backs again.\n%3")
        .arg(counted(fronts, "front", "fronts"), counted(backs, "back", "backs"), keptIn(folder));
}

QString frontsStoppedText(qsizetype fronts, const ScannerServiceError& error, const QString& folder)
{
    const ScanStopCause cause = stopCauseOf(error);
    const QString text =
        QStringLiteral("%1 %2 scanned before %3. Nothing was read: scan the fronts again.\n%4")
            .arg(counted(fronts, "front", "fronts"), QLatin1String(fronts == 1 ? "was" : "were"),
                 stopPhrase(cause), keptIn(folder));
    return withDetail(text, cause, error.description());
}

QString duplexOneSidedText(qsizetype pages, const QString& folder)
{
    return QStringLiteral("Duplex was asked for, but the scanner returned one side per sheet (%1). "
                          "Turn duplex off or check the driver, then scan again.\n%2")
        .arg(counted(pages, "page", "pages"), keptIn(folder));
}
