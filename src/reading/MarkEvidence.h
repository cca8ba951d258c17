#pragma once

#include "LabelSpots.h"
#include "ReadingTypes.h"

#include <QList>

class PageInk;

// The pen ink credited to one printed option label.
struct OptionInk
{
    LabelSpot spot;
    // Pen pixels credited to the label over the square of the print height:
    // a tick is about a third, a ring or a filled box one or more.
    double strength = 0;
    QRectF markBounds; // the ink credited, or the label box when there is none
};

// Pen pieces within a third of a print height of each other, as one mark:
// a cross cut apart where it crossed a box's sides, a ring broken by a
// light stroke.
struct PenMark
{
    QRectF bounds;
    double pixels = 0;
};
QList<PenMark> penMarks(const PageInk& ink, double printHeight);

// The pen ink of one region: per located label, and what lies among the
// labels that no label's reach holds (a mark on a label recognition did
// not find).
struct RegionInk
{
    QList<OptionInk> options;
    double unclaimed = 0; // in the same units as strength
    QRectF unclaimedBounds;
    QList<PenMark> unclaimedMarks;
};

// Credits every piece of pen ink on the page to the nearest label whose
// reach holds its middle (the label, a check box's width and a tick's to its
// left, a ring's width round it), and a printed box's pen ink to the label
// it stands before. `spots` holds each region's labels and `areas` where
// ink no label claims counts against the region; the result holds each
// region's ink in the same order. The ink must be classified.
QList<RegionInk> creditPenInk(const PageInk& ink, const QList<QList<LabelSpot>>& spots,
                              const QList<QRectF>& areas, double printHeight);

// The marks of one choice question read from its labels' ink.
struct MarkReading
{
    QList<DetectedMark> marks; // in label order; the strongest first on single choice
    bool conflicting = false;  // more than one mark on a single-choice question
    bool doubtful = false;     // ink that is neither clearly a mark nor clearly none
};

// Marks are labels with clearly more pen ink than a speck or a pen resting
// on the paper leaves; confidence grows with the ink, 0.98 at twice the
// least mark.
MarkReading readMarks(const RegionInk& region, bool singleChoice);

// Strength at and above which a label is marked, at which the mark is sure,
// and below which its ink is taken for none. A short tick at 200 dpi gives
// about 0.1; a speck or a stray stroke's end near a label under 0.05.
constexpr double kMarkStrength = 0.095;
constexpr double kSureMarkStrength = 0.14;
constexpr double kNoMarkStrength = 0.045;
