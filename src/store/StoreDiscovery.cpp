// Template discovery: one scan of a blank survey proposes the template.
#include "SurveyScanStore.h"

#include "ScanAttempt.h"
#include "SkippedPagesText.h"
#include "SurveyMerging.h"
#include "reading/TemplateDiscovery.h"

SurveyConfiguration SurveyScanStore::makeTemplateDiscoveryConfiguration() const
{
    return ::makeTemplateDiscoveryConfiguration(m_configuration);
}

void SurveyScanStore::applyDetectedTemplateQuestions(const QList<SurveyQuestion>& detected)
{
    setConfiguration(applyDetectedQuestions(m_configuration, detected));
    setDetectedQuestions(mergeQuestions(m_detectedQuestions, usefulTemplateDetections(detected)));
    normalizeTemplateFields();
    persistAfterEdit();
}

QCoro::Task<> SurveyScanStore::scanTemplatePage()
{
    const std::optional<ScannerDevice> device = deviceForScan();
    if (!device)
        co_return;
    clearErrorMessage();
    resetAIStatus();

    const BusyGuard busy(this);
    setStage(ScanStage::scanning);
    setStatusMessage(QStringLiteral("Scanning a template survey..."));

    const SurveyConfiguration discovery = makeTemplateDiscoveryConfiguration();
    // A blank form goes on the flatbed when the device has one.
    applyScanSettings(*device, true);
    auto scan = attemptScan(m_scannerService, *device, discovery);
    ScanAttempt scanned = co_await std::move(scan);
    // A template scan the operator canceled stays canceled, however many
    // pages came before; other early stops still leave a usable first page.
    if (scanned.batch.endedEarly && scanned.batch.endedEarly->cause == ScanStopCause::canceled)
        scanned.error = scanned.batch.endedEarly->detail;
    if (endIfScanFailed(scanned, QStringLiteral("Template scan failed.")))
        co_return;

    setStage(ScanStage::extracting);
    setStatusMessage(QStringLiteral("Finding questions and answer areas on the template..."));
    // The template's pages are read, not kept: they are not the project's.
    const QList<ScanPage> pages = ::renumberPages(scanned.batch.pages, 1, 0);
    const ExtractionProgress progress = [this](int read, int total) {
        setReadingProgress({.read = read, .total = total});
    };
    setReadingProgress({.total = int(pages.size())});
    auto reading = m_extractionService->extract(pages, discovery, false, progress);
    const SurveyExtractionResult extraction = co_await std::move(reading);

    applyDetectedTemplateQuestions(extraction.questions);
    if (!extraction.skippedPages.isEmpty())
        setErrorMessage(skippedPagesText(extraction.skippedPages));
    setStage(ScanStage::finished);
    setStatusMessage(
        QStringLiteral("Template ready. Review each section and choose what to detect."));
}
