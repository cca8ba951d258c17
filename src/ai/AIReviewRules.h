#pragma once

#include "AITypes.h"
#include "model/QuestionReviewItem.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyResponse.h"
#include "model/SurveyTemplateField.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

// The rules by which model answers are written or sent to review. Pure
// functions over values.

inline constexpr const char* kBlankAnswer = "N/A";
// Written answers are only filled without review when the model is this sure.
inline constexpr double kWrittenAutoFillConfidence = 0.995;

// Empty after trimming, or "N/A" in any letter case.
bool isBlankAIAnswer(const QString& answer);

// The first field with that number, if any.
std::optional<SurveyTemplateField> templateField(const QList<SurveyTemplateField>& fields,
                                                 qint64 questionNumber);

// Only hybrid and AI First write answers without review; AI Review only suggests.
bool shouldAutoApply(const AIAnswerSuggestion& suggestion, AIDetectionMode mode,
                     double autoApplyConfidence);

QString reviewNote(const AIAnswerSuggestion& suggestion, double autoApplyConfidence);

// Writes the answer at the question's position of the first response of the
// survey, padding with "N/A"; no such response or a question below 1 changes
// nothing. Returns whether a response was changed.
bool applyAIAnswer(QList<SurveyResponse>& responses, qint64 surveyNumber, qint64 questionNumber,
                   const QString& answer);

// Every answer "N/A", as many as the larger of the question count and the
// highest field number, at least one.
QList<SurveyResponse> blankedAIResponses(const QList<SurveyResponse>& responses,
                                         const SurveyConfiguration& configuration);

// "3-5-12" for survey 3, page 5, question 12.
QString reviewKey(qint64 surveyNumber, qint64 pageNumber, qint64 questionNumber);

// The page reader's crop of every question; the first item of a key wins.
QHash<QString, QUrl> localReviewImageMap(const QList<QuestionReviewItem>& items);

// The confidence an AI First answer needs to be filled without review.
double aiFirstThreshold(const QList<SurveyTemplateField>& fields, qint64 questionNumber,
                        double autoApplyConfidence);
