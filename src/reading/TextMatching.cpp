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
bool confusable(QChar a, QChar b)
{
    static const QString groups[] = {QStringLiteral("5s"),  QStringLiteral("0o"),
                                     QStringLiteral("1li"), QStringLiteral("8b"),
                                     QStringLiteral("2z"),  QStringLiteral("9g")};
    for (const QString& group : groups)
        if (group.contains(a) && group.contains(b))
            return true;
    return false;
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
