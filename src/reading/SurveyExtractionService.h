#pragma once

#include "PageFeed.h"
#include "model/QuestionReviewItem.h"
#include "model/ScanPage.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyQuestion.h"
#include "model/SurveyResponse.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

// A page file the reader could not decode, with the reason, so that the
// operator hears about it instead of losing the page silently.
struct SkippedPage
{
    QUrl fileURL;
    QString reason;

    bool operator==(const SkippedPage&) const = default;
};

// The responses, review items and questions of one reading.
struct SurveyExtractionResult
{
    QList<SurveyResponse> responses;
    QList<QuestionReviewItem> reviewItems;
    QList<SurveyQuestion> questions;
    QList<SkippedPage> skippedPages;
    // What went wrong beyond single pages (no recognition model, crops that
    // could not be written), one sentence each, for the operator.
    QStringList problems;
};

// Where a reading writes its review crops.
struct CropPlacement
{
    enum class Kind
    {
        besidePages, // a "review-crops" folder beside each page's file
        inFolder,    // the folder below
        nowhere      // no crops; review items carry no image
    };
    Kind kind = Kind::besidePages;
    QString folder;

    bool operator==(const CropPlacement&) const = default;
};

// Called on the interface thread as pages finish: (pages read, pages to
// read). The counts only grow while pages are delivered; once the feed is
// closed they count the batch's pages.
using ExtractionProgress = std::function<void(int, int)>;

// The page reader as the store sees it. Never fails.
class SurveyExtractionService
{
public:
    virtual ~SurveyExtractionService() = default;

    // Reads the feed's pages as they are delivered and returns once the feed
    // is closed and its pages are read; the result is that of reading the
    // closed feed's pages in page order, whatever order they were read in.
    virtual QCoro::Task<SurveyExtractionResult> extract(std::shared_ptr<PageFeed> feed,
                                                        SurveyConfiguration configuration,
                                                        bool includeAllQuestionReviewItems,
                                                        ExtractionProgress progress = {}) = 0;

    // A whole batch at once.
    QCoro::Task<SurveyExtractionResult> extract(QList<ScanPage> pages,
                                                SurveyConfiguration configuration,
                                                bool includeAllQuestionReviewItems,
                                                ExtractionProgress progress = {})
    {
        return extract(PageFeed::closedWith(std::move(pages)), std::move(configuration),
                       includeAllQuestionReviewItems, std::move(progress));
    }
};
