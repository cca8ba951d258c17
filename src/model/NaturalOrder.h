#pragma once

#include <QString>

// The natural, case-insensitive, number-aware order of file browsers
// ("page 2" before "page 10"). Returns <0, 0 or >0.
int naturalCompare(const QString& a, const QString& b);

inline bool naturalLess(const QString& a, const QString& b)
{
    return naturalCompare(a, b) < 0;
}
