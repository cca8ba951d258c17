#pragma once

#include "model/ScanPage.h"

#include <QDateTime>
#include <QHashFunctions>
#include <QString>

// The stored form of a ScanPage: its image by absolute path, without the
// page's identifier.
struct SavedScanPage
{
    qint64 surveyNumber = 0;
    SurveySide side = SurveySide::front;
    qint64 pageNumber = 0;
    QDateTime capturedAt;
    QString filePath;

    static SavedScanPage fromPage(const ScanPage& page);
    // A fresh identifier; the image file is not checked, so a page whose file
    // has gone keeps its entry.
    ScanPage toPage() const;

    bool operator==(const SavedScanPage&) const = default;
};

size_t qHash(const SavedScanPage& page, size_t seed = 0) noexcept;
