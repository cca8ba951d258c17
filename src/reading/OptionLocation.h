#pragma once

#include "ReadingTypes.h"

#include "model/SurveyTemplateDefinition.h"

#include <optional>
#include <utility>

// Finding where a question's answer labels are printed. All pure.

// Lower-case runs of letters and digits.
QStringList normalizedWords(const QString& text);

// True when the phrase's words occur as a contiguous run of the text's words.
bool containsNormalizedPhrase(const QString& phrase, const QString& text);

struct TextToken
{
    QString word;     // lower-case
    qsizetype start;  // index of the first character in the text
    qsizetype length; // characters
};
QList<TextToken> tokenRanges(const QString& text);

// (start, length) in the text of the first run of whole words equal to the
// phrase's words.
std::optional<std::pair<qsizetype, qsizetype>> normalizedPhraseRange(const QString& phrase,
                                                                     const QString& text);

// The label's box inside a line, estimated from its character position.
std::optional<QRectF> approximateBounds(const QString& label, const QString& blockText,
                                        const QRectF& blockBounds);

// Where the region's question's labels stand in its lines, de-duplicated.
QList<OptionCandidate> optionCandidates(const QList<RecognizedTextBlock>& blocks,
                                        const QuestionRegion& region,
                                        const SurveyTemplateDefinition& definition);

// One candidate per label and place; a longer label absorbs shorter ones it
// overlaps.
QList<OptionCandidate> deduplicateCandidates(const QList<OptionCandidate>& candidates);
