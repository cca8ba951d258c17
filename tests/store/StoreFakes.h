#pragma once

#include "reading/SurveyExtractionService.h"
#include "scanner/ScannerService.h"
#include "store/FilePanels.h"

#include <QList>
#include <QObject>
#include <QQueue>
#include <exception>
#include <functional>
#include <optional>
#include <variant>

// Opens once; coroutines waiting on it resume on the next event loop turn.
class Gate : public QObject
{
    Q_OBJECT
public:
    bool isOpen() const { return m_open; }
    void open()
    {
        m_open = true;
        Q_EMIT opened();
    }
    QCoro::Task<> wait();

Q_SIGNALS:
    void opened();

private:
    bool m_open = false;
};

// A scanner layer that answers from a script: each scan delivers the next
// list of files of `deliveries` (none when it is empty), then takes the next
// result, scanner error or other exception (as a platform layer might let
// through); a closed gate holds the scan after its deliveries until the test
// opens it.
class FakeScannerService : public ScannerService
{
public:
    QList<ScannerDevice> devices;
    QQueue<QStringList> deliveries;
    QQueue<std::variant<ScanBatchResult, ScannerServiceError, std::exception_ptr>> scripted;
    Gate* gate = nullptr;
    QList<SurveyConfiguration> scanConfigurations;
    QList<ScanSettings> settingsSeen;
    int cancelCount = 0;

    QCoro::Task<QList<ScannerDevice>> discoverScanners() override;
    QCoro::Task<ScanBatchResult> scanBatch(ScannerDevice device, SurveyConfiguration configuration,
                                           PageDelivered delivered) override;
    void cancelScan() override { ++cancelCount; }
    void setScanSettings(const ScanSettings& settings) override { settingsSeen.append(settings); }
};

// A reader that reads each delivered file at once and, when the feed
// closes, answers with a function of the batch's pages; a closed gate holds
// that answer until the test opens it.
class FakeExtractionService : public SurveyExtractionService
{
public:
    std::function<SurveyExtractionResult(const QList<ScanPage>&)> answer;
    Gate* gate = nullptr;
    // Per reading: the files delivered and the pages it closed with.
    QList<QList<QUrl>> deliveredFiles;
    QList<QList<ScanPage>> readPages;
    QList<bool> allQuestionFlags;

    using SurveyExtractionService::extract;
    QCoro::Task<SurveyExtractionResult> extract(std::shared_ptr<PageFeed> feed,
                                                SurveyConfiguration configuration,
                                                bool includeAllQuestionReviewItems,
                                                ExtractionProgress progress = {}) override;
};

// Panels answered from a script; every request is recorded.
class FakeFilePanels : public FilePanels
{
public:
    QQueue<std::optional<QString>> answers;
    bool agreeToDiscard = true;
    QList<FilePanelRequest> requests;
    QList<DiscardReason> discardQuestions;

    std::optional<QString> chooseFile(const FilePanelRequest& request) override;
    bool confirmDiscardChanges(DiscardReason reason) override;
};

// A batch as the scanner layer delivers it: sheets numbered from 1, each with
// `sidesPerSheet` pages pointing at the given files (cycled).
ScanBatchResult makeScannedBatch(int sheets, int sidesPerSheet, const QStringList& files = {});

// The local files of a batch's pages, in page order.
QStringList pageFiles(const ScanBatchResult& batch);

// One response per distinct survey of the pages, answering every question
// with "A", and one review item for question 2 of each when asked.
SurveyExtractionResult answerAll(const QList<ScanPage>& pages, int questions, bool reviewQ2);

// The items with their ids cleared, to compare lists whose ids were made afresh.
template <typename T> QList<T> withoutIds(QList<T> items)
{
    for (T& item : items)
        item.id = QUuid();
    return items;
}

ScannerDevice onlineScanner(const QString& id = QStringLiteral("test:0"), bool duplex = false);

// Runs the event loop until `done` holds; false when it still does not after
// 30 seconds, so that a fault fails the test instead of hanging it.
bool runEventsUntil(const std::function<bool()>& done);
