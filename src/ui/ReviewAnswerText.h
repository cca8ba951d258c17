#pragma once

#include <QString>
#include <QStringList>

// How the review screen's option toggles read and write an answer text.
// Several options are joined with "; " in the template's order; pieces that
// name no option (a written "Other" answer) are kept after them.

// The options the text names, in the options' order (case-insensitive).
QStringList selectedOptions(const QString& answer, const QStringList& options);

// The answer with one option switched on or off.
QString toggledOption(const QString& answer, const QStringList& options, const QString& option);

// "3 answers selected".
QString selectionCountText(qsizetype count);

// Words that, spoken, mean the field is empty: "none", "blank", "not answered".
QStringList spokenNoAnswerWords();

// The answer a transcript stands for: "N/A" for the words above, else the
// transcript as heard.
QString dictatedAnswer(const QString& transcript);
