#pragma once

#include "SurveyExtractionService.h"

#include <memory>

class QThreadPool;

// The page reader: turns each page upright, recognises its text with
// Tesseract, anchors the questions, scores the marks and collects answers,
// review items and crops.
//
// Pages are read in parallel by a fixed set of workers, one per core, each
// with its own Tesseract instance kept for the service's life; the readings
// are then folded in page order, so the result is exactly that of reading
// the pages one after another, whichever finished first.
class VisionSurveyExtractionService : public SurveyExtractionService
{
public:
    // workers <= 0: one per core.
    explicit VisionSurveyExtractionService(int workers = 0);
    ~VisionSurveyExtractionService() override;

    int workerCount() const;

    using SurveyExtractionService::extract;
    // Reads away from the calling thread, each page as soon as it is
    // delivered; progress is reported on the calling thread, which must run
    // an event loop.
    QCoro::Task<SurveyExtractionResult> extract(std::shared_ptr<PageFeed> feed,
                                                SurveyConfiguration configuration,
                                                bool includeAllQuestionReviewItems,
                                                ExtractionProgress progress = {}) override;

    // Blocks until every page is read; progress is reported on the calling
    // thread. Needs no event loop.
    SurveyExtractionResult extractSync(const QList<ScanPage>& pages,
                                       const SurveyConfiguration& configuration,
                                       bool includeAllQuestionReviewItems,
                                       const ExtractionProgress& progress = {},
                                       const CropPlacement& crops = {});

private:
    std::unique_ptr<QThreadPool> m_workers;
    std::unique_ptr<QThreadPool> m_driver;
};

// One reading with a reader of its own, for programs without an event loop.
SurveyExtractionResult extractPagesSync(const QList<ScanPage>& pages,
                                        const SurveyConfiguration& configuration,
                                        bool includeAllQuestionReviewItems, int jobs,
                                        const ExtractionProgress& progress = {},
                                        const CropPlacement& crops = {});

// Said once per reading when Tesseract's English model could not be loaded
// and pages were read by the template's layout alone.
QString missingRecognitionModelText();
