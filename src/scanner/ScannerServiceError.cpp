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
    case K::platform:
        return detail;
    }
    return detail;
}
} // namespace

ScannerServiceError::ScannerServiceError(Kind kind, QString detail)
    : m_kind(kind), m_detail(std::move(detail)), m_description(describe(m_kind, m_detail)),
      m_utf8(m_description.toUtf8())
{
}
