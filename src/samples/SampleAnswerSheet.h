#pragma once

#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// How a respondent marked a choice question.
enum class MarkStyle
{
    tick,
    cross,
    filledBox,
    circle,            // a loose ring round the label
    scribble,          // a box scribbled over, not filled solid
    tightCircle,       // a ring that touches the letters
    circleBoxAndLabel, // one ring round the box and its label
    tickBeforeLabel,   // a tick just left of a bare label
    crossBeforeLabel,  // a cross just left of a bare label
};

// What the respondent wrote with.
enum class PenKind
{
    blueBallpoint,
    blackBallpoint,
    pencil
};

QString markStyleName(MarkStyle style);
QString penName(PenKind pen);

// The answer one respondent gave to one question of the printed form.
struct SampleAnswer
{
    // Chosen option labels exactly as the template spells them; empty for a
    // blank choice question and for written questions.
    QStringList chosen;
    MarkStyle style = MarkStyle::tick;
    // Written questions: whether the respondent wrote something, and the
    // words the pen strokes stand for (the strokes are not real letters).
    bool handwriting = false;
    QString writtenText;
    // Words written on the rule after an "Other" choice, when there is one.
    QString writeInText;

    bool operator==(const SampleAnswer&) const = default;
};

// One filled-in paper survey of the built-in fourteen-question form.
struct SampleAnswerSheet
{
    qint64 surveyNumber = 1;
    // answers[i] answers question i + 1; always fourteen entries.
    QList<SampleAnswer> answers = QList<SampleAnswer>(14);
    // The hand: the classic sheet is a steady blue-black ball-point.
    PenKind pen = PenKind::blueBallpoint;
    double inkTone = 0;   // 0 blue-black ... 1 bright blue; black and pencil lightness
    double tremor = 0;    // 0 steady ... 1 shaky
    double overshoot = 0; // 0 neat ... 1 strokes well past the box

    bool operator==(const SampleAnswerSheet&) const = default;
};

// A plausible respondent: mostly answered questions with a mix of mark
// styles, a few blanks, several ticks on checkbox questions, and
// handwriting on most written questions. Equal seeds give equal sheets.
SampleAnswerSheet randomAnswerSheet(qint64 surveyNumber, quint32 seed);

struct FormStyle;

// A respondent filling in a form printed in `form`: any pen, a habitual
// mark with lapses (rings of every tightness, ticks and crosses beside bare
// labels, filled and scribbled boxes), a few blanks, now and then two marks
// on a single-choice question, short and long handwriting, words on
// write-in rules. Equal arguments give equal sheets.
SampleAnswerSheet variedAnswerSheet(qint64 surveyNumber, quint32 seed, const FormStyle& form);

// The fourteen cells a correct reading yields for this sheet: the chosen
// label, checkbox labels joined with "; " in template order, "N/A" for a
// blank, "Handwritten answer needs review" for a written answer and
// "AMBIGUOUS" for two marks on a single-choice question (a reading is right
// there only when it raises a review item).
QStringList expectedAnswers(const SampleAnswerSheet& sheet);

// Compares one read cell with the expected one; checkbox answers match in
// any order because the reader lists them in the order it meets them.
bool answerMatches(const QString& expected, const QString& read);
