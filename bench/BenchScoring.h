#pragma once

#include "reading/SurveyExtractionService.h"
#include "samples/SampleSet.h"

#include <QList>
#include <QString>

// One choice answer that was read wrong.
struct WrongAnswer
{
    qint64 surveyNumber = 0;
    qint64 questionNumber = 0;
    QString expected;
    QString read;
    QString markStyle; // how the respondent marked it; empty for a blank
    bool reviewed = false;
};

// How well one reading matched the stack's ground truth.
struct AccuracyScore
{
    int choiceCells = 0;
    int choiceCorrect = 0;
    int silentErrors = 0; // wrong choice answers without a review item
    int cells = 0;
    int reviewedCells = 0; // cells with at least one review item
    int writtenCells = 0;
    int writtenCorrect = 0;
    QList<WrongAnswer> wrong;
};

AccuracyScore scoreReading(const SampleSet& set, const SurveyExtractionResult& result);

// The median of the values, 0 for none.
double medianOf(QList<double> values);
