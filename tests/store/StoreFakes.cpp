#include "StoreFakes.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QCoro/QCoroSignal>
#include <QDeadlineTimer>
#include <QSet>
#include <QTimeZone>
#include <QTimer>

QCoro::Task<> Gate::wait()
{
    if (!m_open)
        co_await qCoro(this, &Gate::opened);
}

QCoro::Task<QList<ScannerDevice>> FakeScannerService::discoverScanners()
{
    co_return QList<ScannerDevice>(devices); // a copy: the list stays for the next call
}

QCoro::Task<ScanBatchResult> FakeScannerService::scanBatch(ScannerDevice,
                                                           SurveyConfiguration configuration,
                                                           PageDelivered delivered)
{
    scanConfigurations.append(configuration);
    if (!deliveries.isEmpty())
        for (const QString& file : deliveries.dequeue())
            delivered(file);
    if (gate)
        co_await gate->wait();
    if (scripted.isEmpty())
        throw ScannerServiceError(ScannerServiceError::Kind::scanProducedNoFiles);
    const auto next = scripted.dequeue();
    if (const auto* error = std::get_if<ScannerServiceError>(&next))
        throw *error;
    if (const auto* other = std::get_if<std::exception_ptr>(&next))
        std::rethrow_exception(*other);
    co_return std::get<ScanBatchResult>(next);
}

QCoro::Task<SurveyExtractionResult> FakeExtractionService::extract(std::shared_ptr<PageFeed> feed,
                                                                   SurveyConfiguration,
                                                                   bool allQuestions,
                                                                   ExtractionProgress progress)
{
    allQuestionFlags.append(allQuestions);
    qsizetype read = 0;
    for (;;) {
        while (read < feed->delivered().size()) {
            ++read;
            if (progress)
                progress(int(read), int(feed->delivered().size()));
        }
        if (feed->isClosed())
            break;
        co_await feed->changed();
    }
    const QList<ScanPage> pages = feed->pages();
    deliveredFiles.append(feed->delivered());
    readPages.append(pages);
    if (gate)
        co_await gate->wait();
    if (progress && read < pages.size())
        progress(int(pages.size()), int(pages.size()));
    SurveyExtractionResult result;
    if (answer)
        result = answer(pages);
    co_return result;
}

std::optional<QString> FakeFilePanels::chooseFile(const FilePanelRequest& request)
{
    requests.append(request);
    return answers.isEmpty() ? std::nullopt : answers.dequeue();
}

bool FakeFilePanels::confirmDiscardChanges(DiscardReason reason)
{
    discardQuestions.append(reason);
    return agreeToDiscard;
}

ScanBatchResult makeScannedBatch(int sheets, int sidesPerSheet, const QStringList& files)
{
    ScanBatchResult batch;
    const QDateTime when = QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);
    qint64 pageNumber = 0;
    for (int sheet = 1; sheet <= sheets; ++sheet) {
        for (int side = 0; side < sidesPerSheet; ++side) {
            ScanPage page;
            page.surveyNumber = sheet;
            page.side = side == 0 ? SurveySide::front : SurveySide::back;
            page.pageNumber = ++pageNumber;
            page.capturedAt = when;
            const QString file = files.isEmpty()
                                     ? QStringLiteral("/scans/page-%1.png").arg(pageNumber)
                                     : files.at((pageNumber - 1) % files.size());
            page.fileURL = QUrl::fromLocalFile(file);
            batch.pages.append(page);
        }
        batch.responses.append({sheet, when, {}});
    }
    return batch;
}

QStringList pageFiles(const ScanBatchResult& batch)
{
    return testsupport::mapped(batch.pages,
                               [](const ScanPage& page) { return page.fileURL.toLocalFile(); });
}

SurveyExtractionResult answerAll(const QList<ScanPage>& pages, int questions, bool reviewQ2)
{
    SurveyExtractionResult result;
    QSet<qint64> seen;
    for (const ScanPage& page : pages) {
        if (seen.contains(page.surveyNumber))
            continue;
        seen.insert(page.surveyNumber);
        result.responses.append(
            {page.surveyNumber, page.capturedAt, QStringList(questions, QStringLiteral("A"))});
        if (reviewQ2) {
            QuestionReviewItem item;
            item.surveyNumber = page.surveyNumber;
            item.questionNumber = 2;
            item.pageNumber = page.pageNumber;
            item.suggestedText = QStringLiteral("B");
            result.reviewItems.append(item);
        }
    }
    return result;
}

ScannerDevice onlineScanner(const QString& id, bool duplex)
{
    ScannerDevice device;
    device.id = id;
    device.name = QStringLiteral("Test scanner");
    device.supportsDuplex = duplex;
    return device;
}

bool runEventsUntil(const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(std::chrono::seconds(30));
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        // Wakes the wait below when no event comes.
        QTimer::singleShot(20, QCoreApplication::instance(), [] {});
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
