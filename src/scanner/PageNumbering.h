#pragma once

#include "model/ScanPage.h"
#include "model/SurveyEnums.h"
#include "model/SurveyResponse.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

// How the files of a batch map to surveys and sides.
enum class PageNumbering
{
    // One pass, the feeder alternates front and back of each sheet.
    automaticDuplex,
    // Two passes: all fronts, then the stack turned over for all backs.
    manualTwoSided,
    // Every file is the front of its own survey.
    singleSided,
};

PageNumbering pageNumberingFor(DuplexMode mode, bool scanBothSides);

// Numbers the image files of a batch. `passes` holds the file paths of each
// pass in any order; each pass is put in natural file-name order and the
// passes stay in the given order. Page numbers count from 1 over all files.
// Manual two-sided here splits all files at half: for files whose pass
// boundary is unknown. Scans that know it use makeTwoSidedPages.
QList<ScanPage> makePages(const QList<QStringList>& passes, PageNumbering numbering,
                          const QDateTime& capturedAt = QDateTime::currentDateTime());

// Manual two-sided pages paired at the boundary between the passes: the n-th
// front (natural file-name order) and the n-th back are survey n. Fronts come
// first in page order. Throws ScannerServiceError (twoSidedIncomplete) when
// the passes differ in length: pairing them would mismatch every sheet.
QList<ScanPage> makeTwoSidedPages(const QStringList& fronts, const QStringList& backs,
                                  const QString& folder,
                                  const QDateTime& capturedAt = QDateTime::currentDateTime());

// One empty response per survey of the batch: survey numbers 1 to N, where N
// is the number of distinct survey numbers among the pages (at least 1).
QList<SurveyResponse>
makePlaceholderResponses(const QList<ScanPage>& pages, qint64 questionCount,
                         const QDateTime& capturedAt = QDateTime::currentDateTime());
