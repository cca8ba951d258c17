#include "TextMatching.h"

#include <algorithm>
#include <vector>

QString foldedText(const QString& text)
{
    QString folded;
    folded.reserve(text.size());
    for (const QChar c : text)
        if (c.isLetterOrNumber())
            folded.append(c.toLower());
    return folded;
}

namespace {
// Characters recognition takes for one another in print: 5/s, 0/o, 1/l/i,
// 8/b, 2/z and 9/g, each group numbered; 0 for any other. A switch rather
// than a search through strings: every label and prompt match compares
// many pairs of characters.
int confusionGroup(QChar c)
{
    switch (c.unicode()) {
    case '5':
    case 's':
        return 1;
    case '0':
    case 'o':
        return 2;
    case '1':
    case 'l':
    case 'i':
        return 3;
    case '8':
    case 'b':
        return 4;
    case '2':
    case 'z':
        return 5;
    case '9':
    case 'g':
        return 6;
    default:
        return 0;
    }
}

bool confusable(QChar a, QChar b)
{
    const int group = confusionGroup(a);
    return group != 0 && group == confusionGroup(b);
}
} // namespace

double textSimilarity(const QString& a, const QString& b)
{
    const qsizetype n = a.size(), m = b.size();
    if (n == 0 && m == 0)
        return 1.0;
    if (n == 0 || m == 0)
        return 0.0;
    std::vector<double> previous(size_t(m) + 1), current(size_t(m) + 1);
    for (qsizetype j = 0; j <= m; ++j)
        previous[size_t(j)] = double(j);
    for (qsizetype i = 1; i <= n; ++i) {
        current[0] = double(i);
        for (qsizetype j = 1; j <= m; ++j) {
            const QChar x = a[i - 1], y = b[j - 1];
            const double swap = x == y ? 0.0 : confusable(x, y) ? 0.25 : 1.0;
            current[size_t(j)] = std::min({previous[size_t(j)] + 1, current[size_t(j) - 1] + 1,
                                           previous[size_t(j) - 1] + swap});
        }
        std::swap(previous, current);
    }
    return 1.0 - previous[size_t(m)] / double(std::max(n, m));
}

double labelMatchFloor(qsizetype foldedLength)
{
    if (foldedLength <= 3)
        return 0.87;
    if (foldedLength <= 6)
        return 0.8;
    return 0.74;
}
