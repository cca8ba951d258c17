#pragma once

#include "files/SurveyProjectDocument.h"

#include <QDateTime>
#include <QTimeZone>

namespace fixtures {

inline QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

// A small project touching every kind of value the file holds: escaped
// slashes and quotes, non-ASCII text, fractional dates, an empty list.
inline SurveyProjectDocument sampleDocument()
{
    SurveyConfiguration configuration;
    configuration.title = QStringLiteral("Science Fair \"Spring\" 2026");
    configuration.questionCount = 3;
    configuration.scanBothSides = false;
    configuration.duplexMode = DuplexMode::automatic;
    configuration.templatePreset = SurveyTemplate::custom;
    configuration.templateFields = {
        {1, QStringLiteral("I am:"), SurveyDetectionMode::singleChoice,
         QStringLiteral("Male\nFemale")},
        {2, QStringLiteral("Favourite subject?"), SurveyDetectionMode::written, QString()},
    };
    configuration.reviewThreshold = 0.85;

    SurveyProjectDocument document;
    document.projectName = configuration.title;
    document.savedAt = utc(2026, 3, 1, 14, 5, 9, 500);
    document.csvPath = QStringLiteral("/home/ana/Surveys/results.csv");
    document.configuration = configuration;
    document.pages = {
        {1, SurveySide::front, 1, utc(2026, 3, 1, 14, 0, 0),
         QStringLiteral("/tmp/scans/Fête d'été/page 1.png")},
        {1, SurveySide::back, 2, utc(2026, 3, 1, 14, 0, 1, 250),
         QStringLiteral("/tmp/scans/Fête d'été/page 2.png")},
    };
    document.responses = {
        {1,
         utc(2026, 3, 1, 14, 0, 0),
         {QStringLiteral("Female"), QStringLiteral("Maths, \"obviously\"")}},
        {2, utc(2001, 1, 1, 0, 0, 0), {}},
    };
    document.questions = {{1, QStringLiteral("I am:")}, {2, QStringLiteral("Favourite subject?")}};
    return document;
}

} // namespace fixtures
