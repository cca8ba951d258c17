#pragma once

#include <QString>

// A question known to the project, from the template or a scanned page.
struct SurveyQuestion
{
    qint64 number = 0;
    QString text;

    bool operator==(const SurveyQuestion&) const = default;
};
