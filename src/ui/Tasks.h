#pragma once

#include <QCoro/QCoroTask>

// Starts a store operation from a button or menu and lets it run on its own;
// its outcome arrives through the store's signals. A QCoro task that is
// dropped before it finishes keeps running and frees itself at the end.
inline void startDetached(QCoro::Task<>&& task)
{
    [[maybe_unused]] QCoro::Task<> running = std::move(task);
}
