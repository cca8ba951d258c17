#include "MarkDetection.h"

#include "OptionLocation.h"
#include "PageGeometry.h"

#include <algorithm>

bool hasStroke(const QRectF& strip, const GrayscaleImageSampler& sampler, double labelWidth)
{
    const qint64 x0 = std::max<qint64>(0, qint64(strip.left()));
    const qint64 x1 = std::min<qint64>(sampler.width - 1, qint64(strip.right()));
    const qint64 y0 = std::max<qint64>(0, qint64(strip.top()));
    const qint64 y1 = std::min<qint64>(sampler.height - 1, qint64(strip.bottom()));
    qint64 dark = 0;
    for (qint64 y = y0; y <= y1; ++y)
        for (qint64 x = x0; x <= x1; ++x)
            dark += sampler.luminance(x, y) < 128 ? 1 : 0;
    // An arc over half the label's width, a pen line thick.
    return double(dark) >= 0.5 * labelWidth;
}

QList<MarkCandidateScore> scoreCandidates(const QList<OptionCandidate>& candidates,
                                          const GrayscaleImageSampler& sampler)
{
    const QRectF page = geometry::imageBounds(double(sampler.width), double(sampler.height));
    QList<MarkCandidateScore> scores;
    for (const OptionCandidate& candidate : candidates) {
        const QRectF& b = candidate.bounds;
        const double s = std::max(10.0, b.height());
        const double midY = b.center().y();
        const QRectF square = geometry::intersection(
            geometry::grown(QRectF(b.left() - 1.55 * s, midY - 0.72 * s, 1.3 * s, 1.3 * s), 2),
            page);
        const QRectF ring = geometry::intersection(
            geometry::grown(
                QRectF(b.left() - 1.2 * s, midY - 1.05 * s, b.width() + 2.4 * s, 2.1 * s), 2),
            page);
        const QRectF label = geometry::intersection(geometry::grown(b, 2), page);
        scores.append({candidate, inkDensity(square, sampler), inkDensity(ring, sampler, {label}),
                       square, ring,
                       hasStroke(QRectF(b.left(), ring.top(), b.width(), label.top() - ring.top()),
                                 sampler, b.width()) &&
                           hasStroke(QRectF(b.left(), label.bottom(), b.width(),
                                            ring.bottom() - label.bottom()),
                                     sampler, b.width())});
    }
    return scores;
}

double unmarkedLevel(QList<double> densities)
{
    if (densities.isEmpty())
        return 0;
    std::sort(densities.begin(), densities.end());
    return densities[(densities.size() - 1) / 4];
}

QList<DetectedMark> marksFromScores(const QList<MarkCandidateScore>& scores,
                                    std::optional<double> pageBoxLevel)
{
    QList<double> boxes;
    QList<double> rings;
    for (const MarkCandidateScore& score : scores) {
        boxes.append(score.checkboxDensity);
        rings.append(score.circleDensity);
    }
    double boxLevel = unmarkedLevel(boxes);
    if (pageBoxLevel)
        boxLevel = std::min(boxLevel, *pageBoxLevel);
    const double ringLevel = unmarkedLevel(rings);
    QList<DetectedMark> marks;
    for (const MarkCandidateScore& score : scores) {
        const double boxEx = score.checkboxDensity - boxLevel;
        const double ringEx = score.circleDensity - ringLevel;
        const bool boxHit = score.checkboxDensity > std::max(0.11, 1.4 * boxLevel);
        const bool ringHit = score.circleDensity > std::max(0.016, 1.38 * ringLevel);
        const double confidence =
            std::max({0.52, std::min(0.98, 4.8 * (score.checkboxDensity + std::max(0.0, boxEx))),
                      std::min(0.98, 14.0 * (score.circleDensity + std::max(0.0, ringEx)))});
        if (boxHit && boxEx > 0.025)
            marks.append({score.candidate.label, confidence, score.checkboxBounds});
        else if (ringHit && ringEx > 0.006 && score.ringEncloses)
            marks.append({score.candidate.label, confidence, score.circleBounds});
    }
    return marks;
}

QList<DetectedMark> deduplicateMarks(const QList<DetectedMark>& marks)
{
    QList<DetectedMark> kept;
    for (const DetectedMark& mark : marks) {
        auto same = std::find_if(kept.begin(), kept.end(), [&](const DetectedMark& k) {
            return QString::compare(k.label, mark.label, Qt::CaseInsensitive) == 0;
        });
        if (same == kept.end())
            kept.append(mark);
        else if (mark.confidence > same->confidence)
            *same = mark;
    }
    return kept;
}

QList<DetectedMark> detectAllMarks(const GrayscaleImageSampler& sampler,
                                   const QList<RecognizedTextBlock>& regionBlocks,
                                   const QuestionRegion& region,
                                   const SurveyTemplateDefinition& definition)
{
    const QList<OptionCandidate> candidates = optionCandidates(regionBlocks, region, definition);
    if (candidates.isEmpty())
        return {};
    return deduplicateMarks(marksFromScores(scoreCandidates(candidates, sampler)));
}

std::optional<double> pageBoxLevel(const QList<QList<MarkCandidateScore>>& regionScores)
{
    QList<double> boxes;
    for (const QList<MarkCandidateScore>& scores : regionScores)
        for (const MarkCandidateScore& score : scores)
            if (score.checkboxDensity > 0)
                boxes.append(score.checkboxDensity);
    if (boxes.isEmpty())
        return std::nullopt;
    return unmarkedLevel(boxes);
}

QList<DetectedMark> marksForQuestionKind(const QList<DetectedMark>& marks, qint64 questionNumber,
                                         const SurveyTemplateDefinition& definition)
{
    const auto question = definition.questions.constFind(questionNumber);
    const bool checkbox = question != definition.questions.cend() &&
                          question->kind == SurveyTemplateDefinition::QuestionKind::multipleChoice;
    if (checkbox || marks.isEmpty())
        return marks;
    const auto best = std::max_element(
        marks.begin(), marks.end(),
        [](const DetectedMark& a, const DetectedMark& b) { return a.confidence < b.confidence; });
    return {*best};
}

QList<DetectedMark> detectMarks(const GrayscaleImageSampler& sampler,
                                const QList<RecognizedTextBlock>& regionBlocks,
                                const QuestionRegion& region,
                                const SurveyTemplateDefinition& definition)
{
    return marksForQuestionKind(detectAllMarks(sampler, regionBlocks, region, definition),
                                region.questionNumber, definition);
}

QList<DetectedMark> detectMarks(const QImage& image, const QList<RecognizedTextBlock>& regionBlocks,
                                const QuestionRegion& region,
                                const SurveyTemplateDefinition& definition)
{
    const std::optional<GrayscaleImageSampler> sampler = GrayscaleImageSampler::fromImage(image);
    if (!sampler)
        return {};
    return detectMarks(*sampler, regionBlocks, region, definition);
}
