#pragma once

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <coroutine>
#include <memory>
#include <optional>

// Carries values from the worker thread to one coroutine on the interface
// thread. Values posted after the mailbox is dropped (an abandoned wait) go
// nowhere.
template <typename T> class Mailbox : public std::enable_shared_from_this<Mailbox<T>>
{
public:
    static std::shared_ptr<Mailbox> create() { return std::shared_ptr<Mailbox>(new Mailbox); }
    // May run on the worker thread: the interface-thread objects go later.
    ~Mailbox() { m_context->deleteLater(); }

    Mailbox(const Mailbox&) = delete;
    Mailbox& operator=(const Mailbox&) = delete;

    // Any thread; call it through a weak pointer that was locked first.
    void post(T value)
    {
        QMetaObject::invokeMethod(
            m_context,
            [weak = this->weak_from_this(), value = std::move(value)]() mutable {
                if (auto self = weak.lock())
                    self->push(std::move(value));
            },
            Qt::QueuedConnection);
    }

    // Interface thread.
    void push(T value)
    {
        m_queue.append(std::move(value));
        wake();
    }

    // Interface thread: the next value, or nothing when none arrives within
    // `bound` (a negative bound waits for ever). One waiter at a time.
    QCoro::Task<std::optional<T>> next(std::chrono::milliseconds bound)
    {
        auto self = this->shared_from_this();
        if (m_queue.isEmpty())
            co_await Wait{this, bound};
        if (m_queue.isEmpty())
            co_return std::nullopt;
        co_return m_queue.takeFirst();
    }

private:
    struct Wait
    {
        Mailbox* box;
        std::chrono::milliseconds bound;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle)
        {
            box->m_waiter = handle;
            if (bound.count() >= 0)
                box->m_timer->start(bound);
        }
        void await_resume() const noexcept {}
    };

    Mailbox() : m_context(new QObject), m_timer(new QTimer(m_context))
    {
        m_timer->setSingleShot(true);
        QObject::connect(m_timer, &QTimer::timeout, m_context, [this] { wake(); });
    }

    void wake()
    {
        m_timer->stop();
        if (std::coroutine_handle<> waiter = std::exchange(m_waiter, {}))
            waiter.resume();
    }

    QObject* m_context;
    QTimer* m_timer;
    std::coroutine_handle<> m_waiter;
    QList<T> m_queue;
};
