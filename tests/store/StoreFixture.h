#pragma once

#include "TestSupport.h"
#include "ai/AISettingsStore.h"
#include "reading/SurveyExtractionService.h"
#include "scanner/ScannerService.h"
#include "store/FilePanels.h"
#include "store/SurveyScanStore.h"

#include <QCoro/QCoroTimer>
#include <QQueue>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <exception>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>
#include <variant>

// A closed gate (false) holds a scan or a reading until the test opens it.
inline QCoro::Task<> passGate(const bool* gate)
{
    while (gate && !*gate)
        co_await QCoro::sleepFor(std::chrono::milliseconds(5));
}

// Each scan delivers the next files of `deliveries`, then gives the next
// scripted result or throws the scripted error; a closed gate holds it between.
class FakeScannerService : public ScannerService
{
public:
    QList<ScannerDevice> devices;
    QQueue<QStringList> deliveries;
    QQueue<std::variant<ScanBatchResult, ScannerServiceError, std::exception_ptr>> scripted;
    bool* gate = nullptr;
    QList<SurveyConfiguration> scanConfigurations;
    QList<ScanSettings> settingsSeen;
    int cancelCount = 0;

    QCoro::Task<QList<ScannerDevice>> discoverScanners() override
    {
        co_return QList(devices); // a copy: QCoro moves what it is given
    }
    QCoro::Task<ScanBatchResult> scanBatch(ScannerDevice, SurveyConfiguration configuration,
                                           PageDelivered delivered) override
    {
        scanConfigurations.append(configuration);
        for (const QString& file : deliveries.isEmpty() ? QStringList() : deliveries.dequeue())
            delivered(file);
        co_await passGate(gate);
        if (scripted.isEmpty())
            throw ScannerServiceError(ScannerServiceError::Kind::scanProducedNoFiles);
        const auto next = scripted.dequeue();
        if (const auto* error = std::get_if<ScannerServiceError>(&next))
            throw *error;
        if (const auto* other = std::get_if<std::exception_ptr>(&next))
            std::rethrow_exception(*other);
        co_return std::get<ScanBatchResult>(next);
    }
    void cancelScan() override { ++cancelCount; }
    void setScanSettings(const ScanSettings& settings) override { settingsSeen.append(settings); }
};

// Reads each delivered file at once; when the feed closes, answers with a
// function of the batch's pages, held while the gate is closed.
class FakeExtractionService : public SurveyExtractionService
{
public:
    std::function<SurveyExtractionResult(const QList<ScanPage>&)> answer;
    bool* gate = nullptr;
    QList<QList<QUrl>> deliveredFiles;
    QList<QList<ScanPage>> readPages;
    QList<bool> allQuestionFlags;

    using SurveyExtractionService::extract;
    QCoro::Task<SurveyExtractionResult> extract(std::shared_ptr<PageFeed> feed, SurveyConfiguration,
                                                bool allQuestions,
                                                ExtractionProgress progress = {}) override
    {
        allQuestionFlags.append(allQuestions);
        qsizetype read = 0;
        for (;;) {
            for (; read < feed->delivered().size(); ++read)
                if (progress)
                    progress(int(read + 1), int(feed->delivered().size()));
            if (feed->isClosed())
                break;
            co_await feed->changed();
        }
        const QList<ScanPage> pages = feed->pages();
        deliveredFiles.append(feed->delivered());
        readPages.append(pages);
        co_await passGate(gate);
        if (progress && read < pages.size())
            progress(int(pages.size()), int(pages.size()));
        co_return answer ? answer(pages) : SurveyExtractionResult{};
    }
};

// Panels answered from a script; every request is recorded.
class FakeFilePanels : public FilePanels
{
public:
    QQueue<std::optional<QString>> answers;
    bool agreeToDiscard = true;
    QList<FilePanelRequest> requests;
    QList<DiscardReason> discardQuestions;

    std::optional<QString> chooseFile(const FilePanelRequest& request) override
    {
        requests.append(request);
        return answers.isEmpty() ? std::nullopt : answers.dequeue();
    }
    bool confirmDiscardChanges(DiscardReason reason) override
    {
        discardQuestions.append(reason);
        return agreeToDiscard;
    }
};

// Sheets numbered from 1 with `sidesPerSheet` pages each, on the given files (cycled).
inline ScanBatchResult makeScannedBatch(int sheets, int sidesPerSheet,
                                        const QStringList& files = {})
{
    ScanBatchResult batch;
    const QDateTime when = QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);
    for (int sheet = 1; sheet <= sheets; ++sheet) {
        for (int side = 0; side < sidesPerSheet; ++side) {
            const qint64 number = batch.pages.size() + 1;
            const QString file = files.isEmpty() ? QString("/scans/page-%1.png").arg(number)
                                                 : files.at((number - 1) % files.size());
            batch.pages.append({QUuid::createUuid(), sheet,
                                side == 0 ? SurveySide::front : SurveySide::back, number, when,
                                QUrl::fromLocalFile(file)});
        }
        batch.responses.append({sheet, when, {}});
    }
    return batch;
}

inline QStringList pageFiles(const ScanBatchResult& batch)
{
    return testsupport::mapped(batch.pages,
                               [](const ScanPage& p) { return p.fileURL.toLocalFile(); });
}

// One response per survey answering "A" throughout, and one review item for Q2 when asked.
inline SurveyExtractionResult answerAll(const QList<ScanPage>& pages, int questions, bool reviewQ2)
{
    SurveyExtractionResult result;
    QSet<qint64> seen;
    for (const ScanPage& page : pages) {
        if (seen.contains(page.surveyNumber))
            continue;
        seen.insert(page.surveyNumber);
        result.responses.append({page.surveyNumber, page.capturedAt, QStringList(questions, "A")});
        if (reviewQ2) {
            QuestionReviewItem item;
            item.surveyNumber = page.surveyNumber;
            item.questionNumber = 2;
            item.pageNumber = page.pageNumber;
            item.suggestedText = "B";
            result.reviewItems.append(item);
        }
    }
    return result;
}

// The items with their ids cleared, to compare lists whose ids were made afresh.
template <typename T> QList<T> withoutIds(QList<T> items)
{
    for (T& item : items)
        item.id = QUuid();
    return items;
}

inline ScannerDevice onlineScanner(const QString& id = "test:0", bool duplex = false)
{
    ScannerDevice device;
    device.id = id;
    device.name = "Test scanner";
    device.supportsDuplex = duplex;
    return device;
}

// Runs the event loop until `done` holds; false after 30 seconds, not a hang.
inline bool runEventsUntil(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, 30000);
}

// A store over a scripted scanner, the given reader and real AI settings (local
// only, no client unless given) in a temporary folder.
template <typename Reader> class StoreOver : public ::testing::Test
{
protected:
    template <typename... ReaderArgs>
    explicit StoreOver(AIAnswerAnalysisService* ai, ReaderArgs&&... readerArgs)
        : reader(std::forward<ReaderArgs>(readerArgs)...), settings(path("settings.ini")),
          store(&scanner, &reader, &settings, ai, &panels)
    {
        settings.setDetectionMode(AIDetectionMode::localOnly);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Selects an online, controllable scanner the way a refresh does.
    void connectScanner(bool duplex = false)
    {
        scanner.devices = {onlineScanner("test:0", duplex)};
        QCoro::waitFor(store.refreshScanners());
        store.selectScanner("test:0");
    }

    // Scans one batch of `sheets` sheets of `sides` pages to the end.
    void runBatch(int sheets, int sides = 1)
    {
        scanner.scripted.enqueue(makeScannedBatch(sheets, sides));
        QCoro::waitFor(store.startScanBatch());
    }

    // The pages, responses and configuration held, to compare after a failure.
    auto held() const
    {
        return std::tuple(store.pages(), store.responses(), store.configuration());
    }

    // Answers the next file panel with this file, then takes the action.
    void choose(const QString& file, void (SurveyScanStore::*action)())
    {
        panels.answers.enqueue(file);
        (store.*action)();
    }

    QTemporaryDir dir;
    FakeScannerService scanner;
    Reader reader;
    FakeFilePanels panels;
    AISettingsStore settings;
    SurveyScanStore store;
};

// The store over a scripted reader that answers "A" to all fourteen questions.
class StoreFixture : public StoreOver<FakeExtractionService>
{
protected:
    explicit StoreFixture(AIAnswerAnalysisService* ai = nullptr) : StoreOver(ai)
    {
        reader.answer = [](const QList<ScanPage>& pages) { return answerAll(pages, 14, false); };
    }
};
