#pragma once

#include "model/ScanPage.h"

#include <QList>
#include <QUrl>

// The pages as the reader gets them: a page scanned above 300 dpi is read
// from a copy scaled down to 300 dpi, written beside it in a
// "reading-300dpi" folder; the scanned file keeps its full resolution.
// Pages at or below 300 dpi, and pages whose file tells no resolution or
// cannot be read or copied, are read from their own file.
QList<ScanPage> pagesForReading(const QList<ScanPage>& pages);

// The file one page is read from, by the same rule.
QUrl readingFileFor(const QUrl& file);
