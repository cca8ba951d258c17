// Scanner list and the scan batch, from the scan button to the final status.
#include "SurveyScanStore.h"

#include "SkippedPagesText.h"
#include "SurveyMerging.h"
#include "ai/AISettingsStore.h"

#include <QPointer>
#include <QSet>
#include <functional>

namespace {
// Marks the store busy for a scan and its reading; undone on every way out.
class BusyScope
{
public:
    BusyScope(bool& busy, std::function<void()> changed) : m_busy(busy), m_changed(changed)
    {
        m_busy = true;
        m_changed();
    }
    ~BusyScope()
    {
        m_busy = false;
        m_changed();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_busy;
    std::function<void()> m_changed;
};
} // namespace

QCoro::Task<> SurveyScanStore::refreshScanners()
{
    clearErrorMessage();
    setStatusMessage(QStringLiteral("Looking for connected scanner devices..."));
    QPointer<SurveyScanStore> self(this);
    const QList<ScannerDevice> devices = co_await m_scannerService->discoverScanners();
    if (!self)
        co_return;
    setScanners(devices);

    const bool selectionFound =
        m_selectedScannerID &&
        std::any_of(devices.begin(), devices.end(),
                    [&](const ScannerDevice& d) { return d.id == *m_selectedScannerID; });
    if (!selectionFound) {
        std::optional<QString> choice;
        for (const ScannerDevice& device : devices) {
            if (device.isOnline && device.isControllable) {
                choice = device.id;
                break;
            }
        }
        if (!choice) {
            for (const ScannerDevice& device : devices) {
                if (device.isOnline) {
                    choice = device.id;
                    break;
                }
            }
        }
        setSelectedScannerID(choice);
    }
    applySelectedScannerCapabilities();

    const bool anyControllable = std::any_of(
        devices.begin(), devices.end(), [](const ScannerDevice& d) { return d.isControllable; });
    if (devices.isEmpty())
        setStatusMessage(QStringLiteral("No scanners found."));
    else if (anyControllable)
        setStatusMessage(QStringLiteral("Scanner list refreshed."));
    else
        setStatusMessage(QStringLiteral(
            "USB scanner hardware found, but SANE did not expose it as a controllable scanner."));
}

void SurveyScanStore::applySelectedScannerCapabilities()
{
    const auto device = selectedScanner();
    if (!device)
        return;
    SurveyConfiguration configuration = m_configuration;
    configuration.duplexMode = device->supportsDuplex ? DuplexMode::automatic : DuplexMode::manual;
    if (device->supportsDuplex)
        configuration.scanBothSides = true;
    setConfiguration(configuration);
}

void SurveyScanStore::selectScanner(const QString& id)
{
    setSelectedScannerID(id);
    applySelectedScannerCapabilities();
}

void SurveyScanStore::cancelScan()
{
    if (m_stage == ScanStage::scanning)
        m_scannerService->cancelScan();
}

QCoro::Task<> SurveyScanStore::startScanBatch()
{
    // A second batch while one is scanned or read would merge over it.
    if (isBusy())
        co_return;
    const auto device = selectedScanner();
    if (!device)
        co_return;
    if (!device->isControllable) {
        setErrorMessage(device->statusDetail);
        setStatusMessage(QStringLiteral("Scanner driver unavailable."));
        co_return;
    }

    syncQuestionCountWithTemplate();
    qint64 largestSurvey = 0;
    for (const SurveyResponse& response : m_responses)
        largestSurvey = std::max(largestSurvey, response.surveyNumber);
    const qint64 first = largestSurvey + 1;
    clearErrorMessage();
    setReviewItems({});
    setSelectedSurveyNumber(std::nullopt);
    resetAIStatus();

    QPointer<SurveyScanStore> self(this);
    BusyScope busy(m_busy, [self] {
        if (self)
            self->updateDerivedValues();
    });
    setStage(ScanStage::scanning);
    setStatusMessage(
        m_configuration.duplexMode == DuplexMode::manual && m_configuration.scanBothSides
            ? QStringLiteral("Scan the front sides first. The app will prompt for the backs.")
            : QStringLiteral("Scanning survey batch..."));

    ScanBatchResult scanned;
    try {
        scanned = co_await m_scannerService->scanBatch(*device, m_configuration);
    } catch (const ScannerServiceError& error) {
        if (!self)
            co_return;
        setStage(ScanStage::idle);
        setErrorMessage(error.description());
        setStatusMessage(QStringLiteral("Scan failed."));
        co_return;
    }
    if (!self)
        co_return;

    // The batch joins the store's current lists, not snapshots taken before
    // the scan, so edits made meanwhile survive.
    const QList<ScanPage> newPages = renumberPages(scanned.pages, first);
    const QList<SurveyResponse> blankResponses = renumberResponses(scanned.responses, first);
    setPages(m_pages + newPages);
    setStage(ScanStage::extracting);
    setStatusMessage(QStringLiteral("Reading marks, checkboxes, and text from scanned pages..."));

    const AIDetectionMode mode =
        m_aiSettings ? m_aiSettings->detectionMode() : AIDetectionMode::localOnly;
    const bool canUseAI = m_aiSettings && m_aiSettings->canUseAI();
    // Review items of every question only help when the model will read pages.
    const bool allQuestionItems = mode == AIDetectionMode::aiFirst && canUseAI;
    setReadingProgress(0, int(newPages.size()));
    const SurveyExtractionResult extraction = co_await m_extractionService->extract(
        newPages, m_configuration, allQuestionItems, [self](int read, int total) {
            if (self)
                self->setReadingProgress(read, total);
        });
    if (!self)
        co_return;

    QList<SurveyResponse> batchResponses =
        extraction.responses.isEmpty() ? blankResponses : extraction.responses;
    QList<QuestionReviewItem> batchItems = extraction.reviewItems;

    if (mode == AIDetectionMode::aiFirst) {
        if (canUseAI) {
            batchResponses = blankedAIResponses(batchResponses);
            setStatusMessage(QStringLiteral("AI First is reading each scanned page..."));
        } else {
            setStatusMessage(
                QStringLiteral("AI First needs an API key. Continuing with local review."));
        }
        auto [responses, items] =
            co_await applyAIFirstPageExtraction(batchResponses, newPages, batchItems);
        batchResponses = responses;
        batchItems = items;
    } else if (mode == AIDetectionMode::hybrid || mode == AIDetectionMode::aiReview) {
        setStatusMessage(canUseAI ? QStringLiteral("Using AI to verify uncertain answers...")
                                  : QStringLiteral("AI is enabled, but no API key is saved. "
                                                   "Continuing with local review."));
        auto [responses, items] = co_await applyAIEnhancements(batchResponses, batchItems);
        batchResponses = responses;
        batchItems = items;
    }
    if (!self)
        co_return;

    // A survey of this batch the operator deleted while it was read stays deleted.
    QSet<qint64> keptSurveys;
    for (const ScanPage& page : m_pages)
        keptSurveys.insert(page.surveyNumber);
    QSet<qint64> batchSurveys;
    for (const ScanPage& page : newPages)
        batchSurveys.insert(page.surveyNumber);
    const auto deletedMeanwhile = [&](qint64 survey) {
        return batchSurveys.contains(survey) && !keptSurveys.contains(survey);
    };
    batchResponses.removeIf(
        [&](const SurveyResponse& r) { return deletedMeanwhile(r.surveyNumber); });
    batchItems.removeIf(
        [&](const QuestionReviewItem& i) { return deletedMeanwhile(i.surveyNumber); });
    QList<ScanPage> batchPages = newPages;
    batchPages.removeIf([&](const ScanPage& p) { return deletedMeanwhile(p.surveyNumber); });

    setResponses(mergeResponses(m_responses, batchResponses));
    setReviewItems(batchItems);
    setDetectedQuestions(mergeQuestions(m_detectedQuestions, extraction.questions));
    if (!batchResponses.isEmpty())
        setSelectedSurveyNumber(batchResponses.first().surveyNumber);
    else if (!m_responses.isEmpty())
        setSelectedSurveyNumber(m_responses.first().surveyNumber);
    else
        setSelectedSurveyNumber(std::nullopt);
    setProjectDirty(true);
    appendBatchToCSV(batchPages, batchResponses);
    if (m_projectURL)
        writeProject(*m_projectURL, false);
    setReadingProgress(0, 0);

    if (!extraction.skippedPages.isEmpty()) {
        // Unreadable pages are named; a file error of the steps above stays below.
        QString message = skippedPagesText(extraction.skippedPages);
        if (m_errorMessage)
            message += QLatin1Char('\n') + *m_errorMessage;
        setErrorMessage(message);
    }
    setStage(m_reviewItems.isEmpty() ? ScanStage::finished : ScanStage::reviewing);
    if (!m_reviewItems.isEmpty())
        setStatusMessage(QStringLiteral("Captured %1 surveys. Review %2 uncertain answers.")
                             .arg(m_responses.size())
                             .arg(m_reviewItems.size()));
    else
        setStatusMessage(QStringLiteral("Captured and read %1 surveys from %2 pages.")
                             .arg(m_responses.size())
                             .arg(m_pages.size()));
}
