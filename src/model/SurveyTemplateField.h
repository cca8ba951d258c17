#pragma once

#include "SurveyEnums.h"

#include <QList>
#include <QString>
#include <QStringList>

// One question (or section) of the survey template, identified by its number.
struct SurveyTemplateField
{
    qint64 number = 0;
    QString prompt;
    SurveyDetectionMode detectionMode = SurveyDetectionMode::singleChoice;
    QString optionsText;

    // The allowed answers: optionsText split at newlines and semicolons,
    // trimmed, empty pieces dropped, typed order and duplicates kept.
    QStringList options() const;

    static QList<SurveyTemplateField> defaults(SurveyTemplate preset);

    bool operator==(const SurveyTemplateField&) const = default;
};

// Splits an options text the way SurveyTemplateField::options does.
QStringList splitOptionsText(const QString& optionsText);
