#pragma once

#include "reading/SurveyExtractionService.h"
#include "samples/SampleSet.h"

#include <QList>
#include <QMap>
#include <QString>

// Outcomes of a group of cells.
struct CellTally
{
    int cells = 0;
    int correct = 0;
    int wrongFlagged = 0; // wrong, with a review item
    int silent = 0;       // wrong, with no review item
    int reviewed = 0;     // with a review item, right or wrong
};

// One cell that was read wrong.
struct WrongAnswer
{
    qint64 surveyNumber = 0;
    qint64 questionNumber = 0;
    QString expected;
    QString read;
    QString markStyle; // how the respondent marked it; "blank" when not at all
    bool reviewed = false;
    QString note; // the review item's note, when there is one
};

// How well one reading matched the stack's ground truth, scored cell by
// cell: right when the label sets agree; "AMBIGUOUS" (two marks on a
// single-choice question) right only with a review item; a wrong cell is
// flagged with a review item and silent without one.
struct AccuracyScore
{
    CellTally choice;
    CellTally written;
    CellTally all;
    // Choice cells grouped by the respondent's mark, pen, the page's dpi and
    // how the question was printed.
    QMap<QString, CellTally> byMarkStyle;
    QMap<QString, CellTally> byPen;
    QMap<QString, CellTally> byDpi;
    QMap<QString, CellTally> byLayout;
    QList<WrongAnswer> wrong;         // choice and written cells
    QList<WrongAnswer> reviewedRight; // choice cells read right but sent to review
};

AccuracyScore scoreReading(const SampleSet& set, const SurveyExtractionResult& result);

// Whether two cells name the same labels: split on ';', trimmed, any order.
bool sameLabels(const QString& expected, const QString& read);

// The median of the values, 0 for none.
double medianOf(QList<double> values);
