#pragma once

#include "model/SurveyConfiguration.h"

class QWidget;

// Applying a preset replaces every template section. When the current
// sections hold edits of the operator's own (they match neither preset), the
// operator is asked first. True when the preset may be applied.
bool confirmTemplatePreset(QWidget* parent, const SurveyConfiguration& current,
                           SurveyTemplate preset);

// True when the sections are exactly one preset's defaults.
bool isUnchangedPreset(const QList<SurveyTemplateField>& fields);
