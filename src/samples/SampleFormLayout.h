#pragma once

#include "model/SurveyEnums.h"

#include <QFont>
#include <QLineF>
#include <QList>
#include <QRandomGenerator>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

// How a question number is printed before its text: "3.", "3)", "3:", "3-".
enum class NumberFormat
{
    dot,
    parenthesis,
    colon,
    dash
};

// How the choices of one question are set out.
enum class ChoiceArrangement
{
    severalPerLine, // side by side, wrapping onto further lines
    onePerLine,
    twoColumns,
    grid, // three or four columns, as the classic form prints a few
};

// What a written question leaves for the pen.
enum class WritingSpace
{
    blank,
    ruled,
    box
};

// How one question of a varied form is printed.
struct QuestionPrint
{
    ChoiceArrangement arrangement = ChoiceArrangement::severalPerLine;
    bool boxes = true;      // a check box before each label, else bare "circle one" labels
    bool writeIn = false;   // a rule after the last choice ("Other")
    double writeInPt = 110; // its length
    WritingSpace writing = WritingSpace::blank;
    double writingHeightPt = 72;

    bool operator==(const QuestionPrint&) const = default;
};

// One print run of the form: typeface, sizes, spacing and how each question
// is set. The default is the classic form the demo stack and the reader's
// tests are printed with.
struct FormStyle
{
    QString family = QStringLiteral("DejaVu Sans");
    double optionPt = 10;
    double headingPt = 10.5;
    bool boldHeadings = true;
    bool boldOptions = false;
    NumberFormat numberFormat = NumberFormat::dot;
    double marginPt = 54;
    double boxPt = 9;
    double boxGapPt = 4.5;
    double choiceGapPt = 0; // between choices on a line; 0 keeps the classic gaps
    double indentPt = 0;    // choices indented under the question text
    double rowPitchPt = 20;
    // Questions 1-14 in order; empty for the classic form.
    QList<QuestionPrint> questions;

    bool isClassic() const { return questions.isEmpty(); }
    bool printsBoxes(qint64 number) const;
    bool operator==(const FormStyle&) const = default;
};

QString numberFormatName(NumberFormat format);
QString arrangementName(ChoiceArrangement arrangement);
QString writingSpaceName(WritingSpace space);

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
    ChoiceArrangement arrangement = ChoiceArrangement::severalPerLine;
    QRectF writingArea;
    WritingSpace writing = WritingSpace::blank;
    // Printed rules inside the writing area, top to bottom (ruled answers).
    QList<QLineF> answerRules;
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
    double contentBottom = 0; // lowest printed question line
};

// The built-in survey printed on US letter paper: questions 1-7 on the
// front, 8-14 on the back.
FormPageLayout layoutSurveyPage(SurveySide side, double dpi, const FormStyle& style = {});

// Whether both sides of the form fit the page above its footer.
bool formFits(const FormStyle& style, double dpi);

// A print run drawn at random: serif or sans, 10-13 pt, bold or regular,
// any number format, boxes or bare labels, any arrangement, write-in rules
// and writing spaces; adjusted until both sides fit at `dpi`.
FormStyle randomFormStyle(QRandomGenerator& random, double dpi);

// Printed line width of the check boxes and rules, in pixels.
double formRuleWidth(double dpi);
