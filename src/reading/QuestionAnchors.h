#pragma once

#include "ReadingTypes.h"

// Finding printed question numbers in recognised text lines. All pure.

// Mean confidence, 0 for no blocks.
double averageConfidence(const QList<RecognizedTextBlock>& blocks);

// Stable reading order: lines within 12 pixels of each other's top read left
// to right, otherwise top to bottom.
QList<RecognizedTextBlock> sortedInReadingOrder(QList<RecognizedTextBlock> blocks);

// The numbered questions (1...questionCount) that one line holds. A line with
// several numbers is split at each number; each anchor's box is then
// estimated from its place in the line.
QList<QuestionAnchor> parseQuestionAnchors(const RecognizedTextBlock& block, qint64 questionCount);

// One anchor per number over all lines, ascending by number; lines that repeat
// a number widen its box and add their wording.
QList<QuestionAnchor> detectQuestionAnchors(const QList<RecognizedTextBlock>& blocks,
                                            qint64 questionCount);

// True when the prompt is only "Question N" for this number.
bool isGenericQuestionPrompt(const QString& prompt, qint64 questionNumber);

// Trimmed of white space and line breaks.
QString trimmedText(const QString& text);
