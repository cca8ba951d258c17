#pragma once

#include <QString>

// English words for a whole number as it is read aloud: 21 -> "twenty one".
// Covers 0 to 999999; larger numbers are returned as digits.
QString cardinalWords(qint64 number);

// The ordinal as it is read aloud: 7 -> "seventh", 21 -> "twenty first".
QString ordinalWords(qint64 number);
