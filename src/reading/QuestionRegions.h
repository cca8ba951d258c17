#pragma once

#include "ReadingTypes.h"

#include <QSizeF>

// Dividing a page into one area per question. All pure; the page is given by
// its size in pixels.

// True when the questions run left to right across the page (at least three
// anchors spread wider than they are tall).
bool isHorizontalQuestionFlow(const QList<QuestionAnchor>& anchors, const QSizeF& page);

// The fallback grid: count equal rows between 6% from the top and 3% from the
// bottom.
QList<QRectF> makeQuestionRects(const QSizeF& page, qint64 count);

// One region per anchor found in the text, reaching to the next anchor; the
// fallback grid numbered 1, 2, ... when no anchor is found.
QList<QuestionRegion> makeQuestionRegions(const QList<RecognizedTextBlock>& blocks,
                                          const QSizeF& page, qint64 questionCount,
                                          qint64 fallbackQuestionCount);
