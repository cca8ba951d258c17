#include "cli/CliArguments.h"

#include <gtest/gtest.h>

namespace {
CliParseResult parse(const QString& line)
{
    return parseCliArguments(line.split(QLatin1Char(' '), Qt::SkipEmptyParts), 4);
}
} // namespace

TEST(CliArguments, ReadsEveryOptionInBothSpellings)
{
    const CliParseResult result =
        parse(QStringLiteral("read --template custom --sides=manual --csv out.csv --project "
                             "p.twk --review=r.json --jobs 3 a.png scans"));
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    EXPECT_EQ(result.command, CliCommand::read);
    ReadArguments expected;
    expected.templateName = QStringLiteral("custom");
    expected.sides = PageNumbering::manualTwoSided;
    expected.csvPath = QStringLiteral("out.csv");
    expected.projectPath = QStringLiteral("p.twk");
    expected.reviewPath = QStringLiteral("r.json");
    expected.jobs = 3;
    expected.inputs = {QStringLiteral("a.png"), QStringLiteral("scans")};
    EXPECT_EQ(result.read, expected);
}

TEST(CliArguments, DefaultsAndInputsThatLookLikeOptions)
{
    const CliParseResult plain = parse(QStringLiteral("read page.png"));
    EXPECT_TRUE(plain.error.isEmpty());
    EXPECT_EQ(plain.read.templateName, QStringLiteral("krda2026"));
    EXPECT_FALSE(plain.read.sides.has_value());
    EXPECT_EQ(plain.read.jobs, 4); // the number of cores
    EXPECT_EQ(parse(QStringLiteral("read --sides duplex -- --odd-name.png")).read.inputs,
              QStringList{QStringLiteral("--odd-name.png")});
    EXPECT_EQ(parse(QStringLiteral("read --sides single a.png")).read.sides,
              PageNumbering::singleSided);
}

TEST(CliArguments, HelpWinsEverywhere)
{
    for (const char* line : {"--help", "-h", "help", "read --help", "read a.png -h"}) {
        const CliParseResult result = parse(QString::fromLatin1(line));
        EXPECT_TRUE(result.error.isEmpty()) << line;
        EXPECT_EQ(result.command, CliCommand::help) << line;
    }
}

TEST(CliArguments, UsageErrorsSayWhatIsWrong)
{
    const struct
    {
        const char* line;
        const char* mention;
    } cases[] = {
        {"", "No command"},
        {"scan a.png", "Unknown command \"scan\""},
        {"read", "No input files"},
        {"read --verbose a.png", "Unknown option --verbose"},
        {"read a.png --csv", "--csv needs a value"},
        {"read --csv= a.png", "--csv needs a value"},
        {"read --sides both a.png", "single, duplex or manual"},
        {"read --jobs 0 a.png", "--jobs"},
        {"read --jobs many a.png", "--jobs"},
        {"read --jobs 2 --jobs 3 a.png", "given twice"},
        {"read --template krda a.png", "Unknown template \"krda\""},
        {"read --csv out --project ./out a.png", "different files"},
    };
    for (const auto& c : cases) {
        const CliParseResult result = parse(QString::fromLatin1(c.line));
        EXPECT_TRUE(result.error.contains(QString::fromLatin1(c.mention)))
            << c.line << " gave: " << result.error.toStdString();
    }
}
