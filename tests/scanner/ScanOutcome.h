#pragma once

#include "TestSupport.h"
#include "scanner/ScannerService.h"

#include <optional>

// The value of a scanner operation, or the scanner error it threw.
template <typename T> struct ScanOutcome
{
    std::optional<T> value;
    std::optional<ScannerServiceError> error;

    std::string message() const
    {
        return error ? std::string(error->what()) : std::string("(no error)");
    }
};

// A batch's configuration; the title names its folder.
inline SurveyConfiguration scanConfiguration(DuplexMode mode, bool bothSides,
                                             const QString& title = "Paper Survey",
                                             qint64 questions = 14)
{
    SurveyConfiguration config;
    config.title = title;
    config.duplexMode = mode;
    config.scanBothSides = bothSides;
    config.questionCount = questions;
    return config;
}

// Runs the operation to its end; a scanner error becomes the outcome.
template <typename T> ScanOutcome<T> runScan(QCoro::Task<T>&& task)
{
    ScanOutcome<T> outcome;
    try {
        outcome.value = testsupport::runTask(std::move(task));
    } catch (const ScannerServiceError& error) {
        outcome.error = error;
    }
    return outcome;
}
