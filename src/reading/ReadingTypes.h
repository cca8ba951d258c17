#pragma once

#include <QList>
#include <QRectF>
#include <QString>

// Page pixel coordinates: origin top-left, y downwards, in pixels of the page
// image in its chosen orientation.

// One recognised word of a line.
struct TextWord
{
    QString text;
    double confidence = 0;
    QRectF box;

    bool operator==(const TextWord&) const = default;
};

// One line of recognised text, with its words when recognition gave them.
struct RecognizedTextBlock
{
    QString text;
    double confidence = 0;
    QRectF pixelBounds;
    QList<TextWord> words = {};

    bool operator==(const RecognizedTextBlock&) const = default;
};

// One printed question number found in the text, with the wording after it.
struct QuestionAnchor
{
    qint64 questionNumber = 0;
    QString questionText;
    QRectF bounds;

    bool operator==(const QuestionAnchor&) const = default;
};

// The page area that belongs to one question.
struct QuestionRegion
{
    qint64 questionNumber = 0;
    QString questionText;
    QRectF rect;

    bool operator==(const QuestionRegion&) const = default;
};

// One place where an option label was found.
struct OptionCandidate
{
    QString label;
    QRectF bounds;

    bool operator==(const OptionCandidate&) const = default;
};

// The ink measured around one candidate.
struct MarkCandidateScore
{
    OptionCandidate candidate;
    double checkboxDensity = 0;
    double circleDensity = 0;
    QRectF checkboxBounds;
    QRectF circleBounds;
    // Pen ink both above and below the label, over its width: a ring closes
    // round its label, while a printed write-in rule after "Other" or the
    // filled box before it only reaches into the ring area from the side.
    bool ringEncloses = true;
};

// One label judged as marked.
struct DetectedMark
{
    QString label;
    double confidence = 0;
    QRectF bounds;

    bool operator==(const DetectedMark&) const = default;
};

// Ink in a region that no recognised text explains (handwriting, stray marks).
struct UnreadInkSignal
{
    double inkRatio = 0;
    double confidence = 0;
    QRectF bounds;

    bool operator==(const UnreadInkSignal&) const = default;
};

// How a page was turned and levelled before it was read: quarter turns as
// rotatedImage counts them, then straightened by -skewDegrees (the print's
// tilt). Review items keep it so the page view shows the page as read.
struct PageTurn
{
    int quarterTurns = 0;
    double skewDegrees = 0;

    bool operator==(const PageTurn&) const = default;
};
