#include "ScannerService.h"

namespace {
QString describe(ScannerServiceError::Kind kind, const QString& detail)
{
    using K = ScannerServiceError::Kind;
    switch (kind) {
    case K::deviceConnectionFailed:
        return QStringLiteral("Failed to open a connection to the device. ") + detail;
    case K::deviceUnavailable:
        return QStringLiteral("The selected scanner is no longer available.");
    case K::noScannerSelected:
        return QStringLiteral("Select a scanner before starting a batch.");
    case K::noUsableFunctionalUnit:
        return QStringLiteral("This scanner did not report a usable feeder or flatbed unit.");
    case K::scanCanceled:
        return QStringLiteral("The scan was canceled.");
    case K::scanProducedNoFiles:
        return QStringLiteral("The scanner finished, but no image files were received.");
    case K::driverStopped:
        return QStringLiteral("The scanner driver stopped responding (%1). The next scan starts "
                              "over with a fresh connection; if the scanner still does not "
                              "answer, turn it off and on again.")
            .arg(detail);
    case K::nothingChosen:
        return QStringLiteral("No files were chosen.");
    case K::twoSidedIncomplete:
    case K::feederJammed:
    case K::coverOpen:
    case K::platform:
        return detail;
    }
    return detail;
}
} // namespace

ScanStopCause stopCauseOf(const ScannerServiceError& error)
{
    using K = ScannerServiceError::Kind;
    switch (error.kind()) {
    case K::feederJammed:
        return ScanStopCause::jammed;
    case K::coverOpen:
        return ScanStopCause::coverOpen;
    case K::driverStopped:
        return ScanStopCause::driverStopped;
    case K::deviceUnavailable:
        return ScanStopCause::deviceGone;
    case K::scanCanceled:
        return ScanStopCause::canceled;
    default:
        return ScanStopCause::failed;
    }
}

ScannerServiceError::ScannerServiceError(Kind kind, QString detail)
    : m_kind(kind), m_detail(std::move(detail)), m_description(describe(m_kind, m_detail)),
      m_utf8(m_description.toUtf8())
{
}
