#pragma once

#include "model/ScanPage.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QUrl>
#include <optional>

// Crops for AI First review items the page reader left no crop for: the page
// is cut into one band per question, across when the page lies sideways.

// The band of the question in pixels, widened and clipped to the page;
// empty when nothing of it lies on the page.
QRect approximateCropRect(QSize pageSize, qint64 questionNumber,
                          const QList<qint64>& visibleQuestionNumbers, qint64 templateFieldCount);

// Cuts the band out of the page image, turned upright as the reader turns its
// crops, and writes it as "ai-survey-S-page-P-q-Q.png" into folder; absent
// when the page cannot be read, the band is empty or writing fails.
std::optional<QUrl> approximateReviewCropURL(const ScanPage& page, qint64 questionNumber,
                                             const QList<qint64>& visibleQuestionNumbers,
                                             qint64 templateFieldCount, const QString& folder);
