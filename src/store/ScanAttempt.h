#pragma once

#include "scanner/ScannerService.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <optional>

// One scan request as the store sees it: the batch, or why there is none.
struct ScanAttempt
{
    ScanBatchResult batch;
    // The operator-facing text of the failure; empty when the scan worked.
    std::optional<QString> error;
    // The scanner layer's kind of failure, when it was one of its errors.
    std::optional<ScannerServiceError::Kind> errorKind;
};

// Scans one batch and turns every failure into its text: the scanner layer's
// own errors, and any other exception a platform layer lets through (an
// allocation failure, a driver's runtime error), so a failed scan never
// leaves the workflow stuck in scanning.
QCoro::Task<ScanAttempt> attemptScan(ScannerService* service, ScannerDevice device,
                                     SurveyConfiguration configuration,
                                     PageDelivered delivered = {});

// The text shown for an unexpected failure without a description of its own.
QString unexpectedScanFailureText();
