#pragma once

#include "PageReader.h"
#include "SurveyExtractionService.h"

#include <QFuture>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPromise>
#include <QUrl>
#include <atomic>
#include <memory>
#include <optional>

class QThreadPool;

// One page read on the calling worker thread with that thread's recognizer.
struct WorkerReading
{
    PageReading reading;
    bool modelMissing = false; // the recognition model could not be loaded
};
WorkerReading readOnThisThread(const ScanPage& page, const ReadingSetup& setup);

/// The pages of one feed, read by the workers as they are delivered. Lives on
/// the thread that awaits the reading, which must run an event loop: the
/// workers' readings come back to it in whatever order they finish and are
/// kept by file, so the fold can take them in page order.
class FeedReading
{
public:
    FeedReading(ReadingSetup setup, QThreadPool* workers, ExtractionProgress progress);
    // Pages not started yet are dropped; readings still running go nowhere.
    ~FeedReading();
    FeedReading(const FeedReading&) = delete;
    FeedReading& operator=(const FeedReading&) = delete;

    // Starts reading the file unless it is read or being read.
    void read(const QUrl& file);
    // The batch's pages: those never delivered are read now, files that are
    // not among them are dropped. Finishes when every page is read.
    QFuture<void> close(const QList<ScanPage>& pages);
    // The reading of each page, once close() has finished.
    QList<PageReading> readingsOf(const QList<ScanPage>& pages) const;
    bool modelMissing() const { return m_modelMissing; }

private:
    struct Job
    {
        std::atomic<bool> dropped = false;
    };
    void pageRead(const QUrl& file, WorkerReading reading);
    void reportAndSettle();

    std::shared_ptr<const ReadingSetup> m_setup;
    QThreadPool* m_workers;
    ExtractionProgress m_progress;
    std::unique_ptr<QObject> m_context; // where the workers' readings arrive
    QHash<QUrl, std::shared_ptr<Job>> m_jobs;
    QHash<QUrl, PageReading> m_readings;
    std::optional<QList<ScanPage>> m_pages;
    bool m_modelMissing = false;
    int m_reportedRead = 0;
    QPromise<void> m_allRead;
};
