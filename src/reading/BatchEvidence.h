#pragma once

#include "PageReader.h"

#include <QList>
#include <utility>

// The sheets of one print run, read side by side: where the other sheets
// print a label shows what a mark drawn against it on one sheet did to its
// reading. Works on what each page's reading kept, with no second reading.

// Whether two pages are the same form: their labels, as far from their
// questions' wording on both, agree within about half a print height,
// over at least four labels read cleanly on both.
bool sameForm(const PageReading& a, const PageReading& b);

// The regions (page, region index) where an unmarked label's box reaches
// well past where at least two other sheets of its form print it, to its
// left or above or below its letters: a cross or ring drawn against the
// letters read as part of them, which may hide an answer.
QList<std::pair<qsizetype, qsizetype>>
labelsStretchedPastTheirForm(const QList<PageReading>& readings);

// Sends those regions to review, with their crops made from the page files
// when `setup` keeps crops. readings[i] belongs to pages[i].
void weighAcrossSheets(const QList<ScanPage>& pages, QList<PageReading>& readings,
                       const ReadingSetup& setup);
