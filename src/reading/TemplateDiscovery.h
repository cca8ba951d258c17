#pragma once

#include "model/SurveyConfiguration.h"
#include "model/SurveyQuestion.h"

#include <QList>
#include <QString>

// Template discovery: reading a blank survey proposes the template's
// questions, their printed wording and a first guess of how each is answered.

// A copy of the configuration that lets the reader find any question up to
// max(60, questionCount): generic prompts take the wording from the page, and
// fields without options score no marks.
SurveyConfiguration makeTemplateDiscoveryConfiguration(const SurveyConfiguration& configuration);

// The answer kind a question's wording suggests ("why", "explain", ... are
// written; "check all" is multiple choice; anything else single choice).
SurveyDetectionMode inferredDetectionMode(const QString& wording);

// The detections that carry real wording: not blank and not the generic
// "Question n" the discovery configuration gave them. Texts are trimmed.
QList<SurveyQuestion> usefulTemplateDetections(const QList<SurveyQuestion>& detected);

// The configuration with the detected wording folded into its fields: the
// template only grows, fields with options keep their mode, and the result
// is a custom template sorted by number.
SurveyConfiguration applyDetectedQuestions(const SurveyConfiguration& configuration,
                                           const QList<SurveyQuestion>& detected);
