#pragma once

#include "ReadingProgress.h"
#include "reading/SurveyExtractionService.h"
#include "scanner/ScannerService.h"

#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QFuture>
#include <QHash>
#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>

/// One batch read while it is scanned: every page the scanner delivers goes
/// to the reader at once (through its 300-dpi copy when it was scanned
/// finer), and the reading ends with the batch's pages as the scan numbered
/// them. The counts and the time left are published as they change.
/// Interface thread only; lives for one batch and must be finished or
/// abandoned before it goes.
class BatchReading
{
public:
    using Publish = std::function<void(const ReadingProgress&)>;

    // Starts the reading; nothing is read until a page is delivered.
    BatchReading(SurveyExtractionService* reader, const SurveyConfiguration& configuration,
                 bool includeAllQuestionReviewItems, Publish publish);
    ~BatchReading();
    BatchReading(const BatchReading&) = delete;
    BatchReading& operator=(const BatchReading&) = delete;

    // What the scanner calls for each page it delivers.
    PageDelivered deliveryListener();

    // The scan ended with these pages, numbered for good: their reading, once
    // every one is read. Pages the scanner did not deliver are read now.
    QCoro::Task<SurveyExtractionResult> finish(QList<ScanPage> pages);

    // The scan ended with nothing to read: readings under way are dropped.
    QCoro::Task<> abandon();

private:
    void pageDelivered(const QString& file);
    void handOnReadyCopies();
    void pagesRead(int read);
    void publish();
    void markReadingBegun();

    std::shared_ptr<PageFeed> m_feed = std::make_shared<PageFeed>();
    std::unique_ptr<QObject> m_context = std::make_unique<QObject>();
    // The file each delivered page is read from, once its copy is made.
    QHash<QUrl, QFuture<QUrl>> m_readingFiles;
    // Delivered pages in delivery order, and how many went to the reader.
    QList<QUrl> m_deliveryOrder;
    qsizetype m_handedOn = 0;
    ReadingProgress m_progress;
    QElapsedTimer m_clock;
    // When the reading began (its first page came), then each page read.
    QList<qint64> m_readTimes;
    Publish m_publish;
    QCoro::Task<SurveyExtractionResult> m_reading;
};
