#pragma once

#include "ReadingTypes.h"

#include <QSet>
#include <QStringList>
#include <functional>
#include <optional>

// One printed option label found among a region's words.
struct LabelSpot
{
    QString label;         // as the template writes it
    QRectF box;            // the label's own letters
    double similarity = 0; // how well the words read as the label, 0...1
    QRectF firstWord = {}; // the box of the first word read, when known

    bool operator==(const LabelSpot&) const = default;
};

// Where each label is printed among the lines: the run of words that reads
// most like it, through misread letters and a stray mark read as part of
// the first or last word ("vMale", "Male|"). Each word serves one label;
// better matches are placed first. Labels not found are left out; the
// result keeps the order of `labels`. Words boxed in `marks` (signs read
// from pen strokes) never start a label.
QList<LabelSpot> locateLabels(const QList<RecognizedTextBlock>& lines, const QStringList& labels,
                              const QList<QRectF>& marks = {});

// The folded words of two letters or more of the printed labels.
QSet<QString> labelWordsOf(const QStringList& printed);

// Whether a word recognition read is signs only a pen stroke draws ("/",
// "\\/", "<"), not print's punctuation nor a box's or ring's sides.
bool readAsPenSign(const QString& word);

// The lines with a mark read into a word set apart from the print: a word
// read as a label (or a label's word) with a mark's sign beside it
// ("10th/"), or as two whole labels joined by up to two signs ("5th.6th",
// "10th*11th"), is split into labels and marks, each label's box no wider
// than its letters take and no taller than the line's print. Failing that,
// a word that holds a slash, bar or angle between two runs of letters
// ("11thV/12th") is split there, its box shared out by characters. Words of
// one letter each side ("a/b") and words printed that way
// ("parent/guardian" among `printed`) stay whole.
QList<RecognizedTextBlock> wordsSplitAtMarks(const QList<RecognizedTextBlock>& lines,
                                             const QStringList& printed);

// The width a character of print takes on the page: the median over words
// read with confidence; 0 when there are none.
double typicalCharacterWidth(const QList<RecognizedTextBlock>& lines);

// A label box much wider than its letters take (recognition read a tick or
// cross just left of a bare label as part of the word) cut down to its
// letters, at its right end; also when only its first word is much wider
// than its letters, as a mark's few pixels vanish in a long label's width.
// A first word of one or two letters is too short to measure by, unless it
// has two and `drawsBox` finds a check box in the part before its letters (a
// box printed close against "It" read as "Ot"). True when the box was cut.
bool trimToLetters(LabelSpot& spot, double characterWidth, double printHeight,
                   const std::function<bool(const QRectF&)>& drawsBox = {});

// The one missing label a mark at `at` must stand on, from where the labels
// found stand: labels are printed in the template's order, along rows or
// down columns, so a mark between two found labels belongs to the missing
// label whose place in `options` lies between theirs, when only one does.
// Nothing when the found labels follow no such order, the mark stands on no
// row or column of them, or several labels could be meant.
std::optional<QString> labelByPlace(const QList<LabelSpot>& found, const QStringList& options,
                                    const QPointF& at, double printHeight);
