#include "SavedScanPage.h"

#include <QUuid>

SavedScanPage SavedScanPage::fromPage(const ScanPage& page)
{
    return SavedScanPage{page.surveyNumber, page.side, page.pageNumber, page.capturedAt,
                         page.fileURL.toLocalFile()};
}

ScanPage SavedScanPage::toPage() const
{
    return ScanPage{QUuid::createUuid(), surveyNumber, side,
                    pageNumber,          capturedAt,   QUrl::fromLocalFile(filePath)};
}

size_t qHash(const SavedScanPage& page, size_t seed) noexcept
{
    return qHashMulti(seed, page.surveyNumber, int(page.side), page.pageNumber,
                      page.capturedAt.toMSecsSinceEpoch(), page.filePath);
}
