// Scanner list and the scan batch, from the scan button to the final status.
//
// The coroutines keep every value they carry across a suspension in a named
// local and hand the real work to plain member functions: GCC 12 mishandles
// temporaries with destructors inside co_await expressions.
#include "SurveyScanStore.h"

#include "BatchReading.h"
#include "ScanAttempt.h"
#include "ScanPreferences.h"
#include "SkippedPagesText.h"
#include "SurveyMerging.h"
#include "ai/AIReviewRules.h"
#include "ai/AISettingsStore.h"
#include "scanner/ScanEndText.h"

#include <QSet>
#include <QUndoStack>

namespace {
// The first device that is online and controllable, else the first online one.
std::optional<QString> preferredScannerID(const QList<ScannerDevice>& devices)
{
    auto it = std::find_if(devices.begin(), devices.end(),
                           [](const ScannerDevice& d) { return d.isOnline && d.isControllable; });
    if (it == devices.end())
        it = std::find_if(devices.begin(), devices.end(),
                          [](const ScannerDevice& d) { return d.isOnline; });
    return it == devices.end() ? std::nullopt : std::optional<QString>(it->id);
}
} // namespace

SurveyScanStore::BusyGuard::BusyGuard(SurveyScanStore* store) : m_store(store)
{
    m_store->m_busy = true;
    m_store->updateDerivedValues();
}

SurveyScanStore::BusyGuard::~BusyGuard()
{
    m_store->m_busy = false;
    m_store->setReadingProgress({});
    m_store->updateDerivedValues();
}

bool SurveyScanStore::endIfScanFailed(const ScanAttempt& attempt, const QString& failedStatus)
{
    if (!attempt.error)
        return false;
    setStage(ScanStage::idle);
    setErrorMessage(attempt.error);
    setStatusMessage(failedStatus);
    return true;
}

QCoro::Task<> SurveyScanStore::refreshScanners()
{
    clearErrorMessage();
    setStatusMessage(QStringLiteral("Looking for connected scanner devices..."));
    auto discovery = m_scannerService->discoverScanners();
    const QList<ScannerDevice> devices = co_await std::move(discovery);
    applyDiscoveredScanners(devices);
}

void SurveyScanStore::applyDiscoveredScanners(const QList<ScannerDevice>& devices)
{
    setScanners(devices);
    const bool selectionFound =
        m_selectedScannerID &&
        std::any_of(devices.begin(), devices.end(),
                    [&](const ScannerDevice& d) { return d.id == *m_selectedScannerID; });
    if (!selectionFound)
        setSelectedScannerID(preferredScannerID(devices));
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
    // Following the device is not an edit of the operator's: a project that
    // was saved stays saved.
    const bool wasDirty = m_isProjectDirty;
    setConfiguration(configuration);
    if (!wasDirty)
        setProjectDirty(false);
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

std::optional<ScannerDevice> SurveyScanStore::deviceForScan()
{
    // A second scan while one is scanned or read would merge over it.
    if (isBusy())
        return std::nullopt;
    const auto device = selectedScanner();
    if (!device)
        return std::nullopt;
    if (!device->isControllable) {
        setErrorMessage(device->statusDetail);
        setStatusMessage(QStringLiteral("Scanner driver unavailable."));
        return std::nullopt;
    }
    return device;
}

void SurveyScanStore::applyScanSettings(const ScannerDevice& device, bool templateScan)
{
    if (m_scanPreferences)
        m_scannerService->setScanSettings(m_scanPreferences->settingsFor(device.id, templateScan));
}

QCoro::Task<> SurveyScanStore::startScanBatch()
{
    const std::optional<ScannerDevice> device = deviceForScan();
    if (!device)
        co_return;
    applyScanSettings(*device, false);
    auto batch = runBatch(m_scannerService, *device, false);
    co_await std::move(batch);
}

QCoro::Task<> SurveyScanStore::importScannedFiles()
{
    if (!canImport())
        co_return;
    ScannerDevice files;
    files.id = QStringLiteral("import:files");
    files.name = QStringLiteral("Scanned files");
    auto batch = runBatch(m_importService, files, true);
    co_await std::move(batch);
}

QCoro::Task<> SurveyScanStore::runBatch(ScannerService* service, ScannerDevice device,
                                        bool fromFiles)
{
    // A closed file chooser leaves everything as it was.
    const ScanStage stageBefore = m_stage;
    const QString statusBefore = m_statusMessage;
    const std::optional<QString> errorBefore = m_errorMessage;
    const std::optional<qint64> selectedBefore = m_selectedSurveyNumber;

    syncQuestionCountWithTemplate();
    qint64 largestSurvey = 0;
    for (const SurveyResponse& response : m_responses)
        largestSurvey = std::max(largestSurvey, response.surveyNumber);
    const qint64 first = largestSurvey + 1;
    clearErrorMessage();
    // Answers still waiting for review stay queued; the batch adds its own.
    setSelectedSurveyNumber(std::nullopt);
    if (!fromFiles)
        resetAIStatus();

    const BusyGuard busy(this);
    setStage(ScanStage::scanning);
    const bool frontsFirst =
        m_configuration.duplexMode == DuplexMode::manual && m_configuration.scanBothSides;
    if (fromFiles)
        setStatusMessage(frontsFirst ? QStringLiteral("Choose the front sides, then the backs.")
                                     : QStringLiteral("Choose the scanned files to import..."));
    else
        setStatusMessage(frontsFirst ? QStringLiteral("Scan the front sides first. The app will "
                                                      "prompt for the backs.")
                                     : QStringLiteral("Scanning survey batch..."));

    const AIDetectionMode mode =
        m_aiSettings ? m_aiSettings->detectionMode() : AIDetectionMode::localOnly;
    const bool canUseAI = m_aiSettings && m_aiSettings->canUseAI();
    // Review items of every question only help when the model will read pages.
    const bool allQuestionItems = mode == AIDetectionMode::aiFirst && canUseAI;
    // Pages are read as the scanner delivers them, with the configuration
    // they were scanned under.
    const SurveyConfiguration scanConfiguration = m_configuration;
    BatchReading reading(m_extractionService, scanConfiguration, allQuestionItems,
                         [this](const ReadingProgress& progress) { setReadingProgress(progress); });
    auto scan = attemptScan(service, device, scanConfiguration, reading.deliveryListener());
    const ScanAttempt scanned = co_await std::move(scan);
    if (scanned.error) {
        // Nothing of a failed scan is read: a two-sided scan whose backs did
        // not come pairs nothing, so its fronts read so far are dropped too.
        auto dropping = reading.abandon();
        co_await std::move(dropping);
    }
    if (scanned.errorKind == ScannerServiceError::Kind::nothingChosen) {
        setStage(stageBefore);
        setStatusMessage(statusBefore);
        setErrorMessage(errorBefore);
        setSelectedSurveyNumber(selectedBefore);
        co_return;
    }
    if (endIfScanFailed(scanned, fromFiles ? QStringLiteral("Import failed.")
                                           : QStringLiteral("Scan failed.")))
        co_return;
    if (fromFiles)
        resetAIStatus();

    // The batch joins the store's lists only when it has been read: edits,
    // CSV and project writes meanwhile see the surveys held before it, never
    // pages without their answers. It then joins the current lists, not
    // snapshots taken before the scan, so those edits survive.
    const QList<ScanPage> newPages = renumberPages(scanned.batch.pages, first);
    const QList<SurveyResponse> blankResponses = renumberResponses(scanned.batch.responses, first);
    const std::optional<ScanEarlyEnd> endedEarly = scanned.batch.endedEarly;
    setStage(ScanStage::extracting);
    setStatusMessage(QStringLiteral("Reading marks, checkboxes, and text from scanned pages..."));
    // Survey numbers are settled now; what was read meanwhile joins them.
    auto rest = reading.finish(newPages);
    const SurveyExtractionResult extraction = co_await std::move(rest);

    BatchAnswers answers{extraction.responses.isEmpty() ? blankResponses : extraction.responses,
                         extraction.reviewItems};
    if (mode == AIDetectionMode::aiFirst) {
        if (canUseAI) {
            answers.first = ::blankedAIResponses(answers.first, m_configuration);
            setStatusMessage(QStringLiteral("AI First is reading each scanned page..."));
        } else {
            setStatusMessage(
                QStringLiteral("AI First needs an API key. Continuing with local review."));
        }
        auto step = applyAIFirstPageExtraction(answers.first, newPages, answers.second);
        answers = co_await std::move(step);
    } else if (mode == AIDetectionMode::hybrid || mode == AIDetectionMode::aiReview) {
        setStatusMessage(canUseAI ? QStringLiteral("Using AI to verify uncertain answers...")
                                  : QStringLiteral("AI is enabled, but no API key is saved. "
                                                   "Continuing with local review."));
        auto step = applyAIEnhancements(answers.first, answers.second);
        answers = co_await std::move(step);
    }
    finishBatch(newPages, answers, extraction, endedEarly);
}

void SurveyScanStore::finishBatch(const QList<ScanPage>& batchPages, BatchAnswers answers,
                                  const SurveyExtractionResult& extraction,
                                  const std::optional<ScanEarlyEnd>& endedEarly)
{
    const QList<SurveyResponse>& batchResponses = answers.first;
    // Edits recorded before the batch hold the lists without it: undoing one
    // now would drop the batch.
    m_undoStack->clear();
    setPages(m_pages + batchPages);
    setResponses(mergeResponses(m_responses, batchResponses));
    setReviewItems(m_reviewItems + answers.second);
    setDetectedQuestions(mergeQuestions(m_detectedQuestions, extraction.questions));
    if (!batchResponses.isEmpty())
        setSelectedSurveyNumber(batchResponses.first().surveyNumber);
    else if (!m_responses.isEmpty())
        setSelectedSurveyNumber(m_responses.first().surveyNumber);
    else
        setSelectedSurveyNumber(std::nullopt);
    if (m_errorMessage == scanRunningText())
        clearErrorMessage();
    setProjectDirty(true);
    appendBatchToCSV(batchPages, batchResponses);
    // A failed project write must not hide the CSV's failure: that batch is
    // missing from the CSV until the operator acts.
    const std::optional<QString> csvError = m_errorMessage;
    if (m_projectURL)
        writeProject(*m_projectURL, false);
    if (csvError && m_errorMessage != csvError)
        setErrorMessage(*csvError + QLatin1Char('\n') + m_errorMessage.value_or(QString()));
    for (const QString& problem : extraction.problems)
        setErrorMessage(m_errorMessage ? *m_errorMessage + QLatin1Char('\n') + problem : problem);
    setReadingProgress({});

    // What the operator must act on comes first: the rest of a stack that
    // stopped early, then unreadable pages; a file error of the steps above
    // stays below.
    QStringList notes;
    if (endedEarly) {
        QSet<qint64> sheets;
        for (const ScanPage& page : batchPages)
            sheets.insert(page.surveyNumber);
        notes.append(earlyEndText(sheets.size(), *endedEarly));
    }
    if (!extraction.skippedPages.isEmpty())
        notes.append(skippedPagesText(extraction.skippedPages));
    if (!notes.isEmpty()) {
        if (m_errorMessage)
            notes.append(*m_errorMessage);
        setErrorMessage(notes.join(QLatin1Char('\n')));
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
