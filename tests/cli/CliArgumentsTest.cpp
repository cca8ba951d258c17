#include "cli/CliArguments.h"
#include "cli/ReviewExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
CliParseResult parse(const QString& line)
{
    return parseCliArguments(line.split(QLatin1Char(' '), Qt::SkipEmptyParts), 4);
}
} // namespace

TEST(CliArguments, OptionsInBothSpellingsDefaultsAndHelp)
{
    const CliParseResult result =
        parse(QStringLiteral("read --template custom --sides=manual --csv out.csv --project "
                             "p.twk --review=r.json --jobs 3 a.png scans"));
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    EXPECT_EQ(result.command, CliCommand::read);
    ReadArguments expected;
    expected.templateName = "custom";
    expected.sides = PageNumbering::manualTwoSided;
    expected.csvPath = "out.csv";
    expected.projectPath = "p.twk";
    expected.reviewPath = "r.json";
    expected.jobs = 3;
    expected.inputs = {"a.png", "scans"};
    EXPECT_EQ(result.read, expected);

    const CliParseResult plain = parse("read page.png");
    EXPECT_TRUE(plain.error.isEmpty());
    EXPECT_EQ(plain.read.templateName, "krda2026");
    EXPECT_FALSE(plain.read.sides.has_value());
    EXPECT_EQ(plain.read.jobs, 4); // the number of cores
    EXPECT_EQ(parse("read --sides duplex -- --odd-name.png").read.inputs,
              QStringList{"--odd-name.png"});
    EXPECT_EQ(parse("read --sides single a.png").read.sides, PageNumbering::singleSided);
    // Help wins everywhere.
    for (const char* line : {"--help", "-h", "help", "read --help", "read a.png -h"}) {
        EXPECT_EQ(parse(QString::fromLatin1(line)).command, CliCommand::help) << line;
        EXPECT_TRUE(parse(QString::fromLatin1(line)).error.isEmpty()) << line;
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

TEST(ReviewExport, EachItemBecomesAnObjectWithTheCropPath)
{
    QuestionReviewItem item;
    item.surveyNumber = 3;
    item.pageNumber = 6;
    item.questionNumber = 11;
    item.prompt = "What skills \"improved\"?";
    item.suggestedText = "Writing; Learning";
    item.confidence = 0.61;
    item.imageURL = QUrl::fromLocalFile("/tmp/review dir/survey-3-page-6-q-11.png");

    const QJsonArray items = QJsonDocument::fromJson(reviewItemsJson({item})).array();
    EXPECT_EQ(items,
              (QJsonArray{QJsonObject{{"surveyNumber", 3},
                                      {"pageNumber", 6},
                                      {"questionNumber", 11},
                                      {"prompt", item.prompt},
                                      {"suggestedText", item.suggestedText},
                                      {"confidence", 0.61},
                                      {"imageFile", "/tmp/review dir/survey-3-page-6-q-11.png"}}}));
    EXPECT_EQ(QJsonDocument::fromJson(reviewItemsJson({})), QJsonDocument(QJsonArray()));
}
