#pragma once

#include "SurveyTemplateField.h"

#include <QList>

// The fourteen-question student questionnaire shipped as the "KRDA 2026" preset.
const QList<SurveyTemplateField>& krdaTemplateFields();
