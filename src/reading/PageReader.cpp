#include "PageReader.h"

#include "AnswerRules.h"
#include "InkMeasurement.h"
#include "MarkDetection.h"
#include "OptionLocation.h"
#include "Orientation.h"
#include "PageGeometry.h"
#include "PageImages.h"
#include "QuestionAnchors.h"
#include "QuestionRegions.h"
#include "ReviewSnippets.h"
#include "TextRecognizer.h"

#include <algorithm>
#include <cmath>

qint64 effectiveQuestionCount(const SurveyConfiguration& configuration,
                              const SurveyTemplateDefinition& definition)
{
    qint64 count = std::max<qint64>(1, definition.largestQuestionNumber());
    for (const SurveyTemplateField& field : configuration.templateFields)
        count = std::max(count, field.number);
    return count;
}

ReadingSetup makeReadingSetup(const SurveyConfiguration& configuration, bool includeAll)
{
    ReadingSetup setup;
    setup.definition = SurveyTemplateDefinition(configuration);
    setup.questionCount = effectiveQuestionCount(configuration, setup.definition);
    setup.reviewThreshold = configuration.reviewThreshold;
    setup.includeAll = includeAll;
    return setup;
}

namespace {
// What a region's lines and labels are, measured once for the page's box
// level and the region's own reading.
struct RegionLabels
{
    QList<RecognizedTextBlock> inside;
    QList<OptionCandidate> candidates;
    QList<MarkCandidateScore> scores;
};

RegionReading readRegion(const QuestionRegion& region, const RegionLabels& labels,
                         const QImage& image, const std::optional<GrayscaleImageSampler>& sampler,
                         const ReadingSetup& setup, std::optional<double> boxLevel)
{
    const SurveyTemplateDefinition& definition = setup.definition;
    RegionReading reading;
    reading.questionNumber = region.questionNumber;
    reading.prompt = questionPrompt(region, definition);

    const QList<RecognizedTextBlock>& inside = labels.inside;
    const double textConfidence = averageConfidence(inside);
    QList<DetectedMark> allMarks;
    std::optional<UnreadInkSignal> ink;
    if (sampler) {
        allMarks = deduplicateMarks(marksFromScores(labels.scores, boxLevel));
        QList<QRectF> excluded;
        for (const RecognizedTextBlock& block : inside)
            excluded.append(block.pixelBounds);
        ink = detectUnreadInk(*sampler, region.rect, excluded);
    }
    const QList<DetectedMark> marks =
        marksForQuestionKind(allMarks, region.questionNumber, definition);
    const QString stripped = stripQuestionText(regionText(inside), region);
    if (!ink)
        ink = handwritingReadAsText(region.questionNumber, inside, stripped, definition);

    reading.answer =
        composeAnswer(region.questionNumber, marks, ink, textConfidence, stripped, definition);
    reading.confidence = confidenceForAnswer(reading.answer, marks, ink, textConfidence);

    const auto question = definition.questions.constFind(region.questionNumber);
    ReviewInputs review;
    review.answer = reading.answer;
    review.confidence = reading.confidence;
    review.marks = marks;
    review.hasUnreadInk = ink.has_value();
    review.hasOptions = question != definition.questions.cend() && !question->options.isEmpty();
    review.strippedText = stripped;
    review.reviewThreshold = setup.reviewThreshold;
    review.includeAll = setup.includeAll;
    review.conflictingMarks = marks.size() < allMarks.size();
    review.unlocatedOptions =
        review.hasOptions && hasUnlocatedOptions(labels.candidates, question->options);
    reading.needsReview = needsReview(review);
    if (reading.needsReview) {
        const QRectF wanted =
            reviewSnippetRect(region, reading.answer, marks, ink, inside, definition);
        const QRectF crop = geometry::intersection(
            geometry::grown(wanted, 72),
            geometry::imageBounds(double(image.width()), double(image.height())));
        reading.cropPng = snippetPng(image, crop);
    }
    return reading;
}
} // namespace

QList<RegionReading> readRegions(const QImage& image, const ReadingSetup& setup,
                                 TextRecognizer& recognizer)
{
    const std::optional<QImage> contrast = highContrastImage(image);
    const QList<RecognizedTextBlock> blocks =
        recognizer.recognizeText(contrast ? *contrast : image);
    const QSizeF size(image.size());
    QList<QuestionRegion> regions =
        makeQuestionRegions(blocks, size, setup.questionCount, setup.questionCount);
    regions.removeIf(
        [&](const QuestionRegion& region) { return region.questionNumber > setup.questionCount; });
    regions = fillMissingQuestionRegions(regions, size, setup.questionCount);

    // One grey copy serves every region of the page.
    const std::optional<GrayscaleImageSampler> sampler = GrayscaleImageSampler::fromImage(image);
    QList<RegionLabels> labels;
    for (const QuestionRegion& region : regions) {
        RegionLabels found;
        found.inside = regionTextBlocks(blocks, region.rect);
        found.candidates = optionCandidates(found.inside, region, setup.definition);
        if (sampler)
            found.scores = scoreCandidates(found.candidates, *sampler);
        labels.append(found);
    }
    // How dark an empty printed box reads on this page, so that a question
    // with every box ticked still reads.
    QList<QList<MarkCandidateScore>> scores;
    for (const RegionLabels& found : labels)
        scores.append(found.scores);
    const std::optional<double> boxLevel = pageBoxLevel(scores);
    QList<RegionReading> readings;
    for (qsizetype i = 0; i < regions.size(); ++i)
        readings.append(readRegion(regions[i], labels[i], image, sampler, setup, boxLevel));
    return readings;
}

PageReading readPage(const ScanPage& page, const ReadingSetup& setup, TextRecognizer& recognizer)
{
    const DecodedPage decoded = decodePageImage(page.fileURL);
    if (decoded.image.isNull())
        return {decoded.failureReason, {}};
    const OrientationChoice upright =
        bestReadableImage(decoded.image, setup.questionCount, recognizer, setup.judgeMaxSide);
    // A page fed a little askew makes a long label's box taller than its
    // print, which moves the check box sought beside it: read it level.
    const double skew = printSkewDegrees(upright.image);
    return {{}, readRegions(straightenedImage(upright.image, -skew), setup, recognizer)};
}
