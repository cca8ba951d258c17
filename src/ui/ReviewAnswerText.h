#pragma once

#include "model/SurveyTemplateField.h"

#include <QString>
#include <QStringList>
#include <optional>

// How the review screen's option toggles read and write an answer text.
// Several options are joined with "; " in the template's order; pieces that
// name no option (a written "Other" answer) are kept after them.

// The options the text names, in the options' order (case-insensitive).
QStringList selectedOptions(const QString& answer, const QStringList& options);

// The answer with one option switched on or off.
QString toggledOption(const QString& answer, const QStringList& options, const QString& option);

// "3 answers selected".
QString selectionCountText(qsizetype count);

// The options a review item picks from: a choice question's labels; none for
// written questions and questions the template does not know.
QStringList choiceOptions(const std::optional<SurveyTemplateField>& field);
