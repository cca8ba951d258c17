#pragma once

#include "MarkEvidence.h"

#include <QList>
#include <QRectF>

class PageInk;

// What one choice question's page shows besides its marks.
struct ChoiceEvidence
{
    const RegionInk& credited; // its ink, credited to its labels
    const MarkReading& read;   // the marks read from that ink
    bool single = true;        // one answer only
    qsizetype optionCount = 0; // labels the template prints
    QRectF area;               // where its answer is sought
    // Words among the page's labels read as something else than print, and
    // words that took in the check box printed before their label.
    const QList<QRectF>& strays;
    const QList<QRectF>& boxedWords;
};

// Whether a person must look at the question: labels not found, ink no
// label claims, a ring tight enough to pass for print, a label's box
// stretched over another's, or pencil too pale to count as ink.
// `printHeight` is the height of ordinary lettering in pixels.
bool choiceInDoubt(const ChoiceEvidence& evidence, const PageInk& ink, double printHeight);
