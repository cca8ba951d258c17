#pragma once

#include "TestSupport.h"
#include "scanner/ScannerService.h"

#include <optional>

// The value of a scanner operation, or the scanner error it threw.
// (QCoro::waitFor drops exceptions and then waits for ever, so the error is
// caught inside a coroutine first.)
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

template <typename T> ScanOutcome<T> runScan(QCoro::Task<T>&& task)
{
    auto guarded = [](QCoro::Task<T> inner) -> QCoro::Task<ScanOutcome<T>> {
        ScanOutcome<T> outcome;
        try {
            outcome.value = co_await std::move(inner);
        } catch (const ScannerServiceError& error) {
            outcome.error = error;
        }
        co_return outcome;
    };
    return testsupport::runTask(guarded(std::move(task)));
}
