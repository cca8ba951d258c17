#include "VisionSurveyExtractionService.h"

#include "ExtractionFold.h"
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
            TextRecognizer& recognizer = TextRecognizer::forThisThread();
            PageReading reading = readPage(ordered[i], setup, recognizer);
            std::lock_guard lock(mutex);
            if (!recognizer.isReady())
                modelMissing = true;
            readings[i] = std::move(reading);
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

QCoro::Task<SurveyExtractionResult>
VisionSurveyExtractionService::extract(QList<ScanPage> pages, SurveyConfiguration configuration,
                                       bool includeAllQuestionReviewItems,
                                       ExtractionProgress progress)
{
    // Progress crosses back to this thread through an object living here;
    // calls still queued when it goes are dropped with it.
    auto relayTarget = std::make_unique<QObject>();
    ExtractionProgress relay;
    if (progress) {
        relay = [target = relayTarget.get(), progress](int done, int total) {
            QMetaObject::invokeMethod(
                target, [progress, done, total] { progress(done, total); }, Qt::QueuedConnection);
        };
    }
    QFuture<SurveyExtractionResult> future = QtConcurrent::run(
        m_driver.get(), [this, pages = std::move(pages), configuration = std::move(configuration),
                         includeAllQuestionReviewItems, relay] {
            return extractSync(pages, configuration, includeAllQuestionReviewItems, relay);
        });
    SurveyExtractionResult result = co_await qCoro(future).waitForFinished();
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
