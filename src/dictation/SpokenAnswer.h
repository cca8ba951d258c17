#pragma once

#include <QString>
#include <QStringList>

// Words that, spoken, mean the answer field on the paper is empty: "none",
// "blank", "not answered". Choice dictation listens for them beside the
// labels.
QStringList spokenNoAnswerWords();

// The answer a transcript stands for: "N/A" for the words above, else the
// transcript as heard.
QString dictatedAnswer(const QString& transcript);
