#include "BatchReading.h"

#include "ReadingCopies.h"

#include <QCoro/QCoroFuture>
#include <QtConcurrent/QtConcurrentRun>

BatchReading::BatchReading(SurveyExtractionService* reader,
                           const SurveyConfiguration& configuration,
                           bool includeAllQuestionReviewItems, Publish publish)
    : m_publish(std::move(publish))
{
    m_clock.start();
    m_reading = reader->extract(m_feed, configuration, includeAllQuestionReviewItems,
                                [this](int read, int) { pagesRead(read); });
}

BatchReading::~BatchReading()
{
    // A reader still waiting must not wait for ever, nor report to a reading
    // that is gone.
    m_feed->close({});
}

PageDelivered BatchReading::deliveryListener()
{
    return [this](const QString& file) { pageDelivered(file); };
}

void BatchReading::markReadingBegun()
{
    if (m_readTimes.isEmpty())
        m_readTimes.append(m_clock.elapsed());
}

void BatchReading::pageDelivered(const QString& file)
{
    markReadingBegun();
    ++m_progress.scanned;
    m_progress.total = m_progress.scanned;
    publish();
    const QUrl scanned = QUrl::fromLocalFile(file);
    if (m_readingFiles.contains(scanned))
        return;
    // A page finer than 300 dpi is decoded and copied smaller: off this thread.
    QFuture<QUrl> readingFile = QtConcurrent::run([scanned] { return readingFileFor(scanned); });
    m_readingFiles.insert(scanned, readingFile);
    m_deliveryOrder.append(scanned);
    readingFile.then(m_context.get(), [this](const QUrl&) { handOnReadyCopies(); });
}

void BatchReading::handOnReadyCopies()
{
    // In delivery order, so the reader starts on the pages scanned first
    // even when a later copy was quicker.
    while (m_handedOn < m_deliveryOrder.size()) {
        const QFuture<QUrl> copy = m_readingFiles.value(m_deliveryOrder[m_handedOn]);
        if (!copy.isFinished())
            return;
        m_feed->deliver(copy.result());
        ++m_handedOn;
    }
}

QCoro::Task<SurveyExtractionResult> BatchReading::finish(QList<ScanPage> pages)
{
    QList<ScanPage> undelivered;
    QList<qsizetype> undeliveredAt;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const auto known = m_readingFiles.constFind(pages[i].fileURL);
        if (known == m_readingFiles.cend()) {
            undelivered.append(pages[i]);
            undeliveredAt.append(i);
            continue;
        }
        QFuture<QUrl> copying = known.value();
        const QUrl readingFile = co_await copying;
        pages[i].fileURL = readingFile;
        // Its copy may have finished a moment ago, before it was handed on.
        m_feed->deliver(readingFile);
    }
    if (!undelivered.isEmpty()) {
        const auto copies = [undelivered] { return pagesForReading(undelivered); };
        QFuture<QList<ScanPage>> copying = QtConcurrent::run(copies);
        const QList<ScanPage> copied = co_await copying;
        for (qsizetype i = 0; i < copied.size(); ++i)
            pages[undeliveredAt[i]] = copied[i];
    }
    markReadingBegun();
    m_progress.total = int(pages.size());
    m_progress.secondsLeft = readingSecondsLeft(m_readTimes, m_progress.total - m_progress.read);
    publish();
    m_feed->close(pages);
    SurveyExtractionResult result = co_await std::move(m_reading);
    co_return result;
}

QCoro::Task<> BatchReading::abandon()
{
    m_feed->close({});
    co_await std::move(m_reading);
}

void BatchReading::pagesRead(int read)
{
    m_progress.read = read;
    m_readTimes.append(m_clock.elapsed());
    m_progress.secondsLeft = readingSecondsLeft(m_readTimes, m_progress.total - read);
    publish();
}

void BatchReading::publish()
{
    if (m_publish)
        m_publish(m_progress);
}
