#pragma once

#include "model/ScanPage.h"

#include <QList>
#include <QUrl>
#include <coroutine>
#include <memory>
#include <utility>
#include <vector>

/// The pages of one reading, handed over while the scanner delivers them.
/// The store delivers each page file as it arrives, so that reading starts
/// before the feeder stops, and closes the feed with the batch's pages once
/// the scan has numbered them: survey numbers, sides and page numbers are
/// only settled then (two-sided pairing needs both passes). Interface thread
/// only; always closed before it is dropped, so no reader waits for ever.
class PageFeed
{
public:
    PageFeed() = default;
    PageFeed(const PageFeed&) = delete;
    PageFeed& operator=(const PageFeed&) = delete;

    // A feed closed from the start: a whole batch read at once.
    static std::shared_ptr<PageFeed> closedWith(QList<ScanPage> pages)
    {
        auto feed = std::make_shared<PageFeed>();
        feed->close(std::move(pages));
        return feed;
    }

    // A page file the scanner delivered. Ignored once closed or when the
    // file was delivered before.
    void deliver(const QUrl& file)
    {
        if (m_closed || m_delivered.contains(file))
            return;
        m_delivered.append(file);
        wake();
    }

    // The scan ended and numbered its pages. Files delivered but not among
    // them are not part of the result (a two-sided scan that failed closes
    // with none); pages whose file was never delivered are read now.
    void close(QList<ScanPage> pages)
    {
        if (m_closed)
            return;
        m_closed = true;
        m_pages = std::move(pages);
        wake();
    }

    const QList<QUrl>& delivered() const { return m_delivered; }
    bool isClosed() const { return m_closed; }
    // The batch's pages; empty until closed.
    const QList<ScanPage>& pages() const { return m_pages; }

    // co_await feed.changed(): resumes after the next delivery or the close,
    // at once when the feed is closed already. Any number of waiters.
    struct Change
    {
        PageFeed* feed;
        bool await_ready() const noexcept { return feed->m_closed; }
        void await_suspend(std::coroutine_handle<> waiter) { feed->m_waiters.push_back(waiter); }
        void await_resume() const noexcept {}
    };
    Change changed() { return Change{this}; }

private:
    void wake()
    {
        // Resumed waiters may wait again: they join a fresh list.
        for (std::coroutine_handle<> waiter : std::exchange(m_waiters, {}))
            waiter.resume();
    }

    QList<QUrl> m_delivered;
    QList<ScanPage> m_pages;
    bool m_closed = false;
    std::vector<std::coroutine_handle<>> m_waiters;
};
