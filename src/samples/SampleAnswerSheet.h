#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How a respondent marked a choice question.
enum class MarkStyle
{
    tick,
    cross,
    filledBox,
    circle
};

QString markStyleName(MarkStyle style);

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

    bool operator==(const SampleAnswer&) const = default;
};

// One filled-in paper survey of the built-in fourteen-question form.
struct SampleAnswerSheet
{
    qint64 surveyNumber = 1;
    // answers[i] answers question i + 1; always fourteen entries.
    QList<SampleAnswer> answers = QList<SampleAnswer>(14);

    bool operator==(const SampleAnswerSheet&) const = default;
};

// A plausible respondent: mostly answered questions with a mix of mark
// styles, a few blanks, several ticks on checkbox questions, and
// handwriting on most written questions. Equal seeds give equal sheets.
SampleAnswerSheet randomAnswerSheet(qint64 surveyNumber, quint32 seed);

// The fourteen cells a correct reading yields for this sheet: the chosen
// label, checkbox labels joined with "; " in template order, "N/A" for a
// blank, and "Handwritten answer needs review" for a written answer.
QStringList expectedAnswers(const SampleAnswerSheet& sheet);

// Compares one read cell with the expected one; checkbox answers match in
// any order because the reader lists them in the order it meets them.
bool answerMatches(const QString& expected, const QString& read);
