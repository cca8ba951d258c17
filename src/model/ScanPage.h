#pragma once

#include "SurveyEnums.h"

#include <QDateTime>
#include <QUrl>
#include <QUuid>

// One captured page image.
struct ScanPage
{
    QUuid id = QUuid::createUuid();
    qint64 surveyNumber = 0;
    SurveySide side = SurveySide::front;
    qint64 pageNumber = 0;
    QDateTime capturedAt;
    QUrl fileURL;

    bool operator==(const ScanPage&) const = default;
};
