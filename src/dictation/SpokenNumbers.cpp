#include "SpokenNumbers.h"

#include <QStringList>
#include <array>

namespace {

constexpr std::array<const char*, 20> smallNumbers = {
    "zero",     "one",     "two",     "three",     "four",     "five",    "six",
    "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",  "thirteen",
    "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
constexpr std::array<const char*, 10> tens = {"",      "",      "twenty",  "thirty", "forty",
                                              "fifty", "sixty", "seventy", "eighty", "ninety"};

void appendBelowThousand(QStringList& words, qint64 number)
{
    if (number >= 100) {
        words << QString::fromLatin1(smallNumbers[number / 100]) << QStringLiteral("hundred");
        number %= 100;
        if (number == 0)
            return;
    }
    if (number < 20) {
        words << QString::fromLatin1(smallNumbers[number]);
        return;
    }
    words << QString::fromLatin1(tens[number / 10]);
    if (number % 10 != 0)
        words << QString::fromLatin1(smallNumbers[number % 10]);
}

} // namespace

QString cardinalWords(qint64 number)
{
    if (number < 0 || number > 999999)
        return QString::number(number);
    if (number == 0)
        return QStringLiteral("zero");
    QStringList words;
    if (number >= 1000) {
        appendBelowThousand(words, number / 1000);
        words << QStringLiteral("thousand");
        number %= 1000;
    }
    if (number > 0)
        appendBelowThousand(words, number);
    return words.join(QLatin1Char(' '));
}

QString ordinalWords(qint64 number)
{
    const QString cardinal = cardinalWords(number);
    if (number < 0 || number > 999999)
        return cardinal;
    const qsizetype split = cardinal.lastIndexOf(QLatin1Char(' ')) + 1;
    const QString head = cardinal.left(split);
    const QString last = cardinal.mid(split);
    static const QList<std::pair<QString, QString>> irregular = {
        {QStringLiteral("one"), QStringLiteral("first")},
        {QStringLiteral("two"), QStringLiteral("second")},
        {QStringLiteral("three"), QStringLiteral("third")},
        {QStringLiteral("five"), QStringLiteral("fifth")},
        {QStringLiteral("eight"), QStringLiteral("eighth")},
        {QStringLiteral("nine"), QStringLiteral("ninth")},
        {QStringLiteral("twelve"), QStringLiteral("twelfth")},
    };
    for (const auto& [word, ordinal] : irregular) {
        if (last == word)
            return head + ordinal;
    }
    if (last.endsWith(QLatin1Char('y')))
        return head + last.chopped(1) + QStringLiteral("ieth");
    return head + last + QStringLiteral("th");
}
