#pragma once

#include "ReadingTypes.h"

#include "model/SurveyTemplateDefinition.h"

// Question anchors found by the template's printed wording as well as by
// number: recognition misreads or drops a question number ("l. I am:",
// "1.lam:"), and prints vary ("1.", "1)", "1:", "1-"), while the wording
// after it is long enough to recognise through a few misread letters.

// The number a line starts with, read through the usual confusions of
// print ("l" and "I" for 1, "O" for 0, "S" for 5), and the rest of the line;
// number 0 when the line starts with none.
struct LeadingNumber
{
    qint64 number = 0;
    QString rest;
};
LeadingNumber leadingQuestionNumber(const QString& line);

// One anchor per question found, ascending by number, their lines running
// down the page in the order of their numbers. Questions whose wording is
// only "Question N" are found by number alone.
QList<QuestionAnchor> templateQuestionAnchors(const QList<RecognizedTextBlock>& blocks,
                                              const SurveyTemplateDefinition& definition,
                                              qint64 questionCount);
