#pragma once

#include "PageReader.h"
#include "SurveyExtractionService.h"

// The note review items carry when every question goes to the model first.
inline const QString aiFirstReviewNote = QStringLiteral("AI First will verify this question.");

// Pages sorted by page number, equal numbers in their given order.
QList<ScanPage> pagesInReadingOrder(QList<ScanPage> pages);

// Folds per-page readings, in page order, into one result: answer rows per
// survey, detected questions, review items with their crops written, skipped
// pages. readings[i] belongs to pages[i].
SurveyExtractionResult foldPageReadings(const QList<ScanPage>& pages,
                                        const QList<PageReading>& readings,
                                        const ReadingSetup& setup);
