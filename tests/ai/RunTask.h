#pragma once

#include "TestSupport.h"

#include <exception>
#include <optional>
#include <qcoro/qcorotask.h>

// QCoro 0.8's waitFor never returns when the task throws, so the task's
// exception is caught inside a coroutine and rethrown here.
namespace aitest {

// QCoro tasks cannot carry an exception_ptr directly.
struct Captured
{
    std::exception_ptr error;
};

template <typename T> QCoro::Task<Captured> capture(QCoro::Task<T> task, std::optional<T>* out)
{
    try {
        *out = co_await std::move(task);
    } catch (...) {
        co_return Captured{std::current_exception()};
    }
    co_return Captured{};
}

inline QCoro::Task<Captured> capture(QCoro::Task<> task)
{
    try {
        co_await std::move(task);
    } catch (...) {
        co_return Captured{std::current_exception()};
    }
    co_return Captured{};
}

template <typename T> T run(QCoro::Task<T>&& task)
{
    std::optional<T> value;
    if (std::exception_ptr error = testsupport::runTask(capture(std::move(task), &value)).error)
        std::rethrow_exception(error);
    return std::move(*value);
}

inline void run(QCoro::Task<>&& task)
{
    if (std::exception_ptr error = testsupport::runTask(capture(std::move(task))).error)
        std::rethrow_exception(error);
}

} // namespace aitest
