#pragma once

#include "model/SurveyEnums.h"

#include <QFont>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

// One printed answer choice: its label and, on checkbox questions, the
// empty square printed to its left.
struct FormOption
{
    QString label;
    QRectF labelRect;
    std::optional<QRectF> box;
};

// A line of printed text with the font it is set in.
struct FormText
{
    QString text;
    QFont font;
    QRectF rect;
};

// One numbered question as printed: its heading lines ("1. I am:"), its
// choices, and for written questions the empty area left for the pen.
struct FormQuestion
{
    qint64 number = 0;
    QList<FormText> heading;
    QList<FormOption> options;
    QFont optionFont;
    QRectF writingArea;
    // Printed rules after "Other" style choices where a reason is written.
    QList<QLineF> writeInRules;
};

// Everything printed on one side of the form, in pixels at the given dpi.
struct FormPageLayout
{
    QSizeF pageSize;
    double dpi = 300;
    QList<FormText> decorations;
    QList<FormQuestion> questions;
};

// The built-in survey printed on US letter paper: questions 1-7 on the
// front, 8-14 on the back.
FormPageLayout layoutSurveyPage(SurveySide side, double dpi);

// Printed line width of the check boxes and rules, in pixels.
double formRuleWidth(double dpi);
