#include "VisionSurveyExtractionService.h"

#include "BatchEvidence.h"
#include "ExtractionFold.h"
#include "FeedReading.h"
#include "PageReader.h"
#include "TextRecognizer.h"

#include <QCoro/QCoroFuture>
#include <QDir>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <condition_variable>
#include <mutex>

VisionSurveyExtractionService::VisionSurveyExtractionService(int workers)
    : m_workers(std::make_unique<QThreadPool>()), m_driver(std::make_unique<QThreadPool>())
{
    m_workers->setMaxThreadCount(workers > 0 ? workers : QThread::idealThreadCount());
    // Workers keep their Tesseract instance; an expiring thread would throw
    // it away and the next page would pay for loading the model again.
    m_workers->setExpiryTimeout(-1);
    m_driver->setMaxThreadCount(1);
}

VisionSurveyExtractionService::~VisionSurveyExtractionService()
{
    m_driver->waitForDone();
    m_workers->waitForDone();
}

int VisionSurveyExtractionService::workerCount() const
{
    return m_workers->maxThreadCount();
}

SurveyExtractionResult VisionSurveyExtractionService::extractSync(
    const QList<ScanPage>& pages, const SurveyConfiguration& configuration,
    bool includeAllQuestionReviewItems, const ExtractionProgress& progress,
    const CropPlacement& crops)
{
    ReadingSetup setup = makeReadingSetup(configuration, includeAllQuestionReviewItems);
    setup.crops = crops;
    const QList<ScanPage> ordered = pagesInReadingOrder(pages);
    const int total = int(ordered.size());
    QList<PageReading> readings(ordered.size());

    std::mutex mutex;
    std::condition_variable pageDone;
    int done = 0;
    bool modelMissing = false;
    for (int i = 0; i < total; ++i) {
        m_workers->start([&, i] {
            WorkerReading reading = readOnThisThread(ordered[i], setup);
            std::lock_guard lock(mutex);
            if (reading.modelMissing)
                modelMissing = true;
            readings[i] = std::move(reading.reading);
            ++done;
            // Notified under the lock: once the count is complete the waiting
            // thread may return and end the condition variable's life.
            pageDone.notify_one();
        });
    }
    int reported = 0;
    while (reported < total) {
        int finished = 0;
        {
            std::unique_lock lock(mutex);
            pageDone.wait(lock, [&] { return done > reported; });
            finished = done;
        }
        while (reported < finished) {
            ++reported;
            if (progress)
                progress(reported, total);
        }
    }
    weighAcrossSheets(ordered, readings, setup);
    SurveyExtractionResult result = foldPageReadings(ordered, readings, setup);
    if (modelMissing)
        result.problems.prepend(missingRecognitionModelText());
    return result;
}

QString missingRecognitionModelText()
{
    return QStringLiteral(
               "The text recognition model \"%1\" could not be loaded, so the pages were read "
               "without recognising any text: answers are guessed from the template's layout "
               "alone. Install the tesseract-ocr-eng package, or point TESSDATA_PREFIX at the "
               "folder holding eng.traineddata, then read the pages again.")
        .arg(QDir(tessdataPath()).filePath(QStringLiteral("eng.traineddata")));
}

QCoro::Task<SurveyExtractionResult> VisionSurveyExtractionService::extract(
    std::shared_ptr<PageFeed> feed, SurveyConfiguration configuration,
    bool includeAllQuestionReviewItems, ExtractionProgress progress)
{
    const ReadingSetup setup = makeReadingSetup(configuration, includeAllQuestionReviewItems);
    FeedReading reading(setup, m_workers.get(), std::move(progress));
    // Each page is read as soon as it is delivered: the feeder and the
    // workers run side by side, and little is left when the scan ends.
    qsizetype started = 0;
    for (;;) {
        for (; started < feed->delivered().size(); ++started)
            reading.read(feed->delivered()[started]);
        if (feed->isClosed())
            break;
        co_await feed->changed();
    }
    const QList<ScanPage> pages = pagesInReadingOrder(feed->pages());
    QFuture<void> allRead = reading.close(pages);
    co_await allRead;
    QList<PageReading> readings = reading.readingsOf(pages);
    // Sheets are weighed against each other and crops written here: off the
    // interface thread.
    QFuture<SurveyExtractionResult> folding =
        QtConcurrent::run(m_driver.get(), [pages, readings = std::move(readings), setup]() mutable {
            weighAcrossSheets(pages, readings, setup);
            return foldPageReadings(pages, readings, setup);
        });
    SurveyExtractionResult result = co_await folding;
    if (reading.modelMissing())
        result.problems.prepend(missingRecognitionModelText());
    co_return result;
}

SurveyExtractionResult extractPagesSync(const QList<ScanPage>& pages,
                                        const SurveyConfiguration& configuration,
                                        bool includeAllQuestionReviewItems, int jobs,
                                        const ExtractionProgress& progress,
                                        const CropPlacement& crops)
{
    VisionSurveyExtractionService reader(jobs);
    return reader.extractSync(pages, configuration, includeAllQuestionReviewItems, progress, crops);
}
