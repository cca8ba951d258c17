#include "TestSupport.h"
#include "cli/CliArguments.h"
#include "cli/InputFiles.h"
#include "cli/ReviewExport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
CliParseResult parse(const QString& line)
{
    return parseCliArguments(line.split(QLatin1Char(' '), Qt::SkipEmptyParts), 4);
}

QStringList names(const QList<InputFile>& files)
{
    return testsupport::mapped(files,
                               [](const InputFile& f) { return QFileInfo(f.path).fileName(); });
}
} // namespace

TEST(CliArguments, OptionsInBothSpellingsDefaultsHelpAndUsageErrors)
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

    // Usage errors say what is wrong.
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

TEST(InputFiles, FoldersGivePagesInNaturalOrderNamedFilesKeepTheirPlaceOthersGiveAReason)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("scans/sub"));
    for (const char* name : {"page-10.png", "page-9.PNG", "page-1.jpg", "Page-2.tiff", "notes.txt",
                             "batch.pdf", "sub/page-0.png"})
        testsupport::writeBytes(dir.filePath(QStringLiteral("scans/") + QString::fromLatin1(name)),
                                "x");
    testsupport::writeBytes(dir.filePath("z-first.pnm"), "x");

    const ExpandedInputs expanded =
        expandInputs({dir.filePath("z-first.pnm"), dir.filePath("scans")});
    EXPECT_TRUE(expanded.problems.isEmpty());
    EXPECT_EQ(names(expanded.files), (QStringList{"z-first.pnm", "batch.pdf", "page-1.jpg",
                                                  "Page-2.tiff", "page-9.PNG", "page-10.png"}));
    EXPECT_EQ(expanded.files[1].kind, InputFile::Kind::pdf);
    EXPECT_TRUE(QFileInfo(expanded.files[0].path).isAbsolute());

    QDir(dir.path()).mkdir("empty");
    testsupport::writeBytes(dir.filePath("notes.txt"), "plain words");
    testsupport::writePageImage(dir.filePath("scan.dat"), QSize(8, 8), 0, "PNG");
    const QString missing = dir.filePath("gone.png");

    const ExpandedInputs others = expandInputs(
        {missing, dir.filePath("empty"), dir.filePath("notes.txt"), dir.filePath("scan.dat")});
    ASSERT_EQ(others.problems.size(), 3);
    EXPECT_EQ(others.problems[0], (InputProblem{missing, "no such file or folder"}));
    EXPECT_TRUE(others.problems[1].reason.contains("no image or PDF"));
    EXPECT_TRUE(others.problems[2].reason.contains("not an image"));
    // An image with an unusual name is still a page.
    EXPECT_EQ(names(others.files), QStringList{"scan.dat"});
}
