#pragma once

#include <QCoreApplication>
#include <QString>
#include <coroutine>
#include <optional>
#include <qcoro/qcorotask.h>

namespace testsupport {

// The project's source folder, for checked-in fixtures.
QString sourceDir();

// Runs a coroutine to completion on the current thread's event loop and
// returns its value; rethrows what it threw.
template <typename T> T runTask(QCoro::Task<T>&& task)
{
    return QCoro::waitFor(std::move(task));
}

inline void runTask(QCoro::Task<>&& task)
{
    QCoro::waitFor(std::move(task));
}

} // namespace testsupport
