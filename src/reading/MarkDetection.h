#pragma once

#include "InkMeasurement.h"
#include "ReadingTypes.h"

#include "model/SurveyTemplateDefinition.h"

#include <optional>

// True when the strip holds dark pixels enough for a pen arc over half the
// label's width.
bool hasStroke(const QRectF& strip, const GrayscaleImageSampler& sampler, double labelWidth);

// Ink in the check box left of each label and in the ring round it, for the
// labels located in one region.
QList<MarkCandidateScore> scoreCandidates(const QList<OptionCandidate>& candidates,
                                          const GrayscaleImageSampler& sampler);

// The ink level of an unmarked label among a question's densities: the lower
// quartile (the least, up to four labels). Measured against the median, a
// question with half or more of its boxes ticked would read as blank.
double unmarkedLevel(QList<double> densities);

// The labels judged as marked, from their scores: a label marked clearly more
// than the question's unmarked level is a box mark, else a ring mark, else
// unmarked.
//
// The page's level of an empty box (pageBoxLevel), when given, caps the
// question's: a question with every box ticked has no empty box of its own.
QList<DetectedMark> marksFromScores(const QList<MarkCandidateScore>& scores,
                                    std::optional<double> pageBoxLevel = std::nullopt);

// The unmarked level of all check boxes measured on a page (squares with
// ink), or nothing when none has ink.
std::optional<double> pageBoxLevel(const QList<QList<MarkCandidateScore>>& regionScores);

// One mark per label (case-insensitive); a later, strictly more confident mark
// for the same label replaces the earlier at its place.
QList<DetectedMark> deduplicateMarks(const QList<DetectedMark>& marks);

// Every marked label of a region, one mark per label, before the question's
// kind is applied.
QList<DetectedMark> detectAllMarks(const GrayscaleImageSampler& sampler,
                                   const QList<RecognizedTextBlock>& regionBlocks,
                                   const QuestionRegion& region,
                                   const SurveyTemplateDefinition& definition);

// Checkbox questions keep every mark; other questions (and numbers the
// template lacks) only the most confident one, the first on a tie.
QList<DetectedMark> marksForQuestionKind(const QList<DetectedMark>& marks, qint64 questionNumber,
                                         const SurveyTemplateDefinition& definition);

// The marked labels of a region. Checkbox questions keep every mark; other
// questions keep only the most confident one (the first on a tie).
QList<DetectedMark> detectMarks(const GrayscaleImageSampler& sampler,
                                const QList<RecognizedTextBlock>& regionBlocks,
                                const QuestionRegion& region,
                                const SurveyTemplateDefinition& definition);
QList<DetectedMark> detectMarks(const QImage& image, const QList<RecognizedTextBlock>& regionBlocks,
                                const QuestionRegion& region,
                                const SurveyTemplateDefinition& definition);
