#pragma once

#include <QString>

// Printed text as recognition gives it back, compared with what the
// template says is printed.

// Lower-case letters and digits only: "Yes, in Math" becomes "yesinmath".
QString foldedText(const QString& text);

// How alike two folded texts are, 0...1: one minus their edit distance over
// the longer length. Recognition's usual confusions of print ("5" and "s",
// "0" and "o", "1", "l" and "i") cost a quarter of an edit.
double textSimilarity(const QString& a, const QString& b);

// The least similarity at which recognised text counts as a printed label
// of this folded length: short labels ("5th", "No") must match all but a
// confusion, long ones may lose a letter or two.
double labelMatchFloor(qsizetype foldedLength);
