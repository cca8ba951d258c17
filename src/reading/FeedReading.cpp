#include "FeedReading.h"

#include "TextRecognizer.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

WorkerReading readOnThisThread(const ScanPage& page, const ReadingSetup& setup)
{
    TextRecognizer& recognizer = TextRecognizer::forThisThread();
    WorkerReading result;
    result.reading = readPage(page, setup, recognizer);
    result.modelMissing = !recognizer.isReady();
    return result;
}

FeedReading::FeedReading(ReadingSetup setup, QThreadPool* workers, ExtractionProgress progress)
    : m_setup(std::make_shared<const ReadingSetup>(std::move(setup))), m_workers(workers),
      m_progress(std::move(progress)), m_context(std::make_unique<QObject>())
{
    m_allRead.start();
}

FeedReading::~FeedReading()
{
    // Continuations bound to the context are cancelled with it.
    m_context.reset();
    for (const auto& job : std::as_const(m_jobs))
        job->dropped = true;
}

void FeedReading::read(const QUrl& file)
{
    if (m_jobs.contains(file))
        return;
    auto job = std::make_shared<Job>();
    m_jobs.insert(file, job);
    QFuture<WorkerReading> reading =
        QtConcurrent::run(m_workers, [setup = m_setup, file, job]() -> WorkerReading {
            if (job->dropped)
                return {};
            ScanPage page;
            page.fileURL = file;
            return readOnThisThread(page, *setup);
        });
    reading.then(m_context.get(),
                 [this, file](WorkerReading done) { pageRead(file, std::move(done)); });
}

QFuture<void> FeedReading::close(const QList<ScanPage>& pages)
{
    QSet<QUrl> wanted;
    for (const ScanPage& page : pages)
        wanted.insert(page.fileURL);
    for (auto it = m_jobs.cbegin(); it != m_jobs.cend(); ++it)
        if (!wanted.contains(it.key()))
            it.value()->dropped = true;
    m_pages = pages;
    for (const ScanPage& page : pages)
        read(page.fileURL);
    reportAndSettle();
    return m_allRead.future();
}

QList<PageReading> FeedReading::readingsOf(const QList<ScanPage>& pages) const
{
    QList<PageReading> readings;
    readings.reserve(pages.size());
    for (const ScanPage& page : pages)
        readings.append(m_readings.value(page.fileURL));
    return readings;
}

void FeedReading::pageRead(const QUrl& file, WorkerReading reading)
{
    const auto job = m_jobs.value(file);
    if (!job || job->dropped)
        return;
    m_modelMissing = m_modelMissing || reading.modelMissing;
    m_readings.insert(file, std::move(reading.reading));
    reportAndSettle();
}

void FeedReading::reportAndSettle()
{
    int read = 0;
    int total = 0;
    if (m_pages) {
        total = int(m_pages->size());
        for (const ScanPage& page : std::as_const(*m_pages))
            read += m_readings.contains(page.fileURL);
    } else {
        total = int(m_jobs.size());
        read = int(m_readings.size());
    }
    // Reported as pages finish, so the count only moves forwards; a close
    // that keeps none of the delivered files ends without a report.
    if (read > m_reportedRead) {
        m_reportedRead = read;
        if (m_progress)
            m_progress(read, total);
    }
    if (m_pages && read == total && !m_allRead.future().isFinished())
        m_allRead.finish();
}
