#pragma once

#include "ReadingTypes.h"

#include <QRectF>
#include <optional>

class PageInk;

// Pen ink in a written question's answer `area`, within the print's
// `column`, on a page whose words stand `printHeight` tall; nothing when
// only dust, printed lines or less than a short word lie there.
std::optional<UnreadInkSignal> handwriting(const PageInk& ink, const QRectF& area,
                                           const QRectF& column, double printHeight);
