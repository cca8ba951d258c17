#pragma once

#include "SurveyEnums.h"
#include "SurveyTemplateField.h"

#include <QList>
#include <QString>

// Everything the operator sets up for a batch. Defaults are a fresh store's.
struct SurveyConfiguration
{
    QString title = QStringLiteral("Paper Survey");
    qint64 questionCount = 14;
    bool scanBothSides = true;
    DuplexMode duplexMode = DuplexMode::manual;
    SurveyTemplate templatePreset = SurveyTemplate::krda2026;
    QList<SurveyTemplateField> templateFields = SurveyTemplateField::defaults(SurveyTemplate::krda2026);
    double reviewThreshold = 0.92;

    // A title that is not blank and at least one question.
    bool isValid() const;

    bool operator==(const SurveyConfiguration&) const = default;
};
