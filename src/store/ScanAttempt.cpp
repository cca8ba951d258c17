#include "ScanAttempt.h"

#include <exception>

QString unexpectedScanFailureText()
{
    return QStringLiteral("The scanner stopped with an unexpected error.");
}

QCoro::Task<ScanAttempt> attemptScan(ScannerService* service, ScannerDevice device,
                                     SurveyConfiguration configuration, PageDelivered delivered)
{
    ScanAttempt attempt;
    try {
        auto scan =
            service->scanBatch(std::move(device), std::move(configuration), std::move(delivered));
        attempt.batch = co_await std::move(scan);
    } catch (const ScannerServiceError& error) {
        attempt.error = error.description();
        attempt.errorKind = error.kind();
    } catch (const std::exception& error) {
        const QString description = QString::fromUtf8(error.what()).trimmed();
        attempt.error = description.isEmpty() ? unexpectedScanFailureText() : description;
    }
    co_return attempt;
}
