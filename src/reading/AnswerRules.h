#pragma once

#include "ReadingTypes.h"

#include "model/SurveyTemplateDefinition.h"

#include <optional>

// How one question region becomes an answer and maybe a review item. All pure.

inline const QString handwrittenAnswerText = QStringLiteral("Handwritten answer needs review");

// The lines that belong to a region: their centre lies inside it, or more than
// 55% of their area does. Recognition order is kept.
QList<RecognizedTextBlock> regionTextBlocks(const QList<RecognizedTextBlock>& blocks,
                                            const QRectF& regionRect);

// The region's lines joined with spaces, trimmed.
QString regionText(const QList<RecognizedTextBlock>& regionBlocks);

// The question's prompt: the template's wording, or the page's when the
// template has none or only "Question N".
QString questionPrompt(const QuestionRegion& region, const SurveyTemplateDefinition& definition);

// The region text without its leading question number and printed wording.
QString stripQuestionText(const QString& text, const QuestionRegion& region);

// The answer from marks, unread ink and recognised text. Recognised text only
// answers free-text questions, and only when it reads with confidence >= 0.9.
QString composeAnswer(qint64 questionNumber, const QList<DetectedMark>& marks,
                      const std::optional<UnreadInkSignal>& ink, double textConfidence,
                      const QString& strippedText, const SurveyTemplateDefinition& definition);

// 1.0 for no answer; else the weakest mark, the ink, or the text confidence.
double confidenceForAnswer(const QString& answer, const QList<DetectedMark>& marks,
                           const std::optional<UnreadInkSignal>& ink, double textConfidence);

// Two readings of one question (front and back page) accumulate.
QString mergeAnswers(const QString& existing, const QString& added);

struct ReviewInputs
{
    QString answer;
    double confidence = 1.0;
    QList<DetectedMark> marks;
    bool hasUnreadInk = false;
    bool hasOptions = false;
    QString strippedText;
    double reviewThreshold = 0.92;
    bool includeAll = false;
    // A single-choice question carried more than one mark: the most confident
    // is kept as the answer, but a person must confirm it.
    bool conflictingMarks = false;
    // Some allowed answers of a choice question were not found on the page:
    // one of them may carry the mark, so the reading cannot be trusted.
    bool unlocatedOptions = false;
};
bool needsReview(const ReviewInputs& inputs);

// The part of the region a reviewer needs to see (before the 72-pixel margin).
QRectF reviewSnippetRect(const QuestionRegion& region, const QString& answer,
                         const QList<DetectedMark>& marks,
                         const std::optional<UnreadInkSignal>& ink,
                         const QList<RecognizedTextBlock>& regionBlocks,
                         const SurveyTemplateDefinition& definition);
