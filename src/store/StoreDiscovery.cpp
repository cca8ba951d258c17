// Template discovery: one scan of a blank survey proposes the template.
#include "SurveyScanStore.h"

#include "SkippedPagesText.h"
#include "SurveyMerging.h"
#include "reading/TemplateDiscovery.h"

#include <QPointer>

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
    // A template scan while a batch is scanned or read would clash with it.
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
    clearErrorMessage();
    resetAIStatus();

    QPointer<SurveyScanStore> self(this);
    m_busy = true;
    setStage(ScanStage::scanning);
    setStatusMessage(QStringLiteral("Scanning a template survey..."));
    const auto endBusy = [self] {
        if (!self)
            return;
        self->m_busy = false;
        self->updateDerivedValues();
    };

    const SurveyConfiguration discovery = makeTemplateDiscoveryConfiguration();
    ScanBatchResult scanned;
    try {
        scanned = co_await m_scannerService->scanBatch(*device, discovery);
    } catch (const ScannerServiceError& error) {
        if (!self)
            co_return;
        endBusy();
        setStage(ScanStage::idle);
        setErrorMessage(error.description());
        setStatusMessage(QStringLiteral("Template scan failed."));
        co_return;
    }
    if (!self)
        co_return;

    setStage(ScanStage::extracting);
    setStatusMessage(QStringLiteral("Finding questions and answer areas on the template..."));
    // The template's pages are read, not kept: they are not the project's.
    const QList<ScanPage> pages = ::renumberPages(scanned.pages, 1, 0);
    setReadingProgress(0, int(pages.size()));
    const SurveyExtractionResult extraction =
        co_await m_extractionService->extract(pages, discovery, false, [self](int read, int total) {
            if (self)
                self->setReadingProgress(read, total);
        });
    if (!self)
        co_return;
    setReadingProgress(0, 0);
    endBusy();

    applyDetectedTemplateQuestions(extraction.questions);
    if (!extraction.skippedPages.isEmpty())
        setErrorMessage(skippedPagesText(extraction.skippedPages));
    setStage(ScanStage::finished);
    setStatusMessage(
        QStringLiteral("Template ready. Review each section and choose what to detect."));
}
