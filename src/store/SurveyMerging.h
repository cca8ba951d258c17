#pragma once

#include "model/ScanPage.h"
#include "model/SurveyQuestion.h"
#include "model/SurveyResponse.h"
#include "model/SurveyTemplateField.h"

#include <QList>

// Numbering and merging of scan batches: every batch arrives numbered from 1
// and joins the store after the surveys and pages it already holds.

// Surveys shifted to start at first, page numbers after base pages, each page
// with a fresh id.
QList<ScanPage> renumberPages(const QList<ScanPage>& pages, qint64 first, qint64 base);

// Surveys shifted so that the smallest becomes first.
QList<SurveyResponse> renumberResponses(const QList<SurveyResponse>& responses, qint64 first);

// One response per survey number, later ones winning, in ascending order.
QList<SurveyResponse> mergeResponses(const QList<SurveyResponse>& existing,
                                     const QList<SurveyResponse>& added);

// Questions 1...count without gaps; new questions with blank text change
// nothing. count = max(largest number held, questionCount).
QList<SurveyQuestion> mergeQuestions(const QList<SurveyQuestion>& existing,
                                     const QList<SurveyQuestion>& added, qint64 questionCount);

// The question count a template implies: its highest field number, at least 1.
qint64 questionCountForTemplate(const QList<SurveyTemplateField>& fields);

// The last field of every number, in ascending number order.
QList<SurveyTemplateField> normalizedTemplateFields(const QList<SurveyTemplateField>& fields);
