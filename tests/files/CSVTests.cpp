#include "TestSupport.h"
#include "files/CSVExporter.h"
#include "files/FileError.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

using testsupport::readBytes;
using testsupport::writeBytes;

QDateTime utc(int h, int mi, int s)
{
    return QDateTime(QDate(2026, 3, 1), QTime(h, mi, s), Qt::UTC);
}

ScanPage page(qint64 survey, qint64 number, SurveySide side = SurveySide::front, QString path = {})
{
    if (path.isEmpty())
        path = QStringLiteral("/scans/%1.png").arg(number);
    return ScanPage{QUuid::createUuid(),      survey, side, number, utc(9, 0, 0),
                    QUrl::fromLocalFile(path)};
}

SurveyConfiguration configurationWith(qint64 questionCount)
{
    SurveyConfiguration configuration;
    configuration.questionCount = questionCount;
    return configuration;
}

QStringList rows(const QString& csv)
{
    return csv.split(QLatin1Char('\n'));
}

const QByteArray header = "survey_id,side,page_number,captured_at,scan_file,Q1";

// The row page(survey, number) gives in a one-question file.
QByteArray row(qint64 survey, qint64 number, const char* answer)
{
    return QString("%1,Front,%2,2026-03-01T09:00:00Z,/scans/%2.png,%3")
        .arg(survey)
        .arg(number)
        .arg(QLatin1String(answer))
        .toUtf8();
}

void append(const QList<ScanPage>& pages, const QList<SurveyResponse>& responses,
            const QString& path)
{
    CSVExporter::appendCSV(configurationWith(1), pages, responses, {}, path);
}

// The description of the CSV error the call raised.
template <typename F> std::string csvFailure(F&& call)
{
    return testsupport::thrownText<CSVFileError>(call).toStdString();
}

class CSVFile : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    const QString path = dir.filePath("survey.csv");
};

} // namespace

// Columns run to the widest of count, answers and question numbers. Only
// commas, quotes and line feeds are quoted (a lone carriage return is kept);
// blank titles lose the colon.
TEST(CSVText, ColumnsAndExactLayoutOfSmallTablesWithPagesInSurveyOrder)
{
    EXPECT_EQ(CSVExporter::questionOutputCount(configurationWith(14), {}, {{20, "Late"}}), 20);
    const SurveyResponse sixteen{1, utc(0, 0, 0), QStringList(16, "x")};
    const QString wide =
        CSVExporter::makeCSV(configurationWith(14), {page(1, 1)}, {sixteen}, {{1, "I am:"}}, true);
    const QStringList columns = rows(wide).first().split(',');
    ASSERT_EQ(columns.size(), 5 + 16);
    EXPECT_EQ(columns.at(5), "Q1: I am:");
    EXPECT_EQ(columns.at(19), "Q15");
    EXPECT_EQ(columns.at(20), "Q16");
    EXPECT_EQ(rows(wide).at(1).split(',').size(), 5 + 16);

    // Blank and missing answers are not applicable.
    const SurveyResponse blanks{1, utc(0, 0, 0), {"   ", "  B  ", "\n", "A;C"}};
    EXPECT_EQ(CSVExporter::answerValues(&blanks, 6),
              (QStringList{"N/A", "B", "N/A", "A;C", "N/A", "N/A"}));

    const QDateTime berlinAfternoon(QDate(2026, 3, 1), QTime(15, 5, 9, 999),
                                    QTimeZone("Europe/Berlin"));
    ScanPage front = page(1, 1, SurveySide::front, "/scans/batch one/front, 1.png");
    front.capturedAt = berlinAfternoon;
    ScanPage back = page(1, 2, SurveySide::back, "/scans/batch one/back.png");
    back.capturedAt = utc(14, 5, 10);
    const SurveyResponse response{1, utc(14, 0, 0), {"Fête", "Said \"no\"", "one\ntwo", "a\rb"}};
    const QString csv = CSVExporter::makeCSV(configurationWith(4), {back, front}, {response},
                                             {{2, " Why, really?\n"}, {3, "  \n "}}, true);
    const std::string answers = "Fête,\"Said \"\"no\"\"\",\"one\ntwo\",a\rb";
    EXPECT_EQ(csv.toStdString(),
              "survey_id,side,page_number,captured_at,scan_file,Q1,\"Q2: Why, really?\",Q3,Q4\n"
              "1,Front,1,2026-03-01T14:05:09Z,\"/scans/batch one/front, 1.png\"," +
                  answers +
                  "\n"
                  "1,Back,2,2026-03-01T14:05:10Z,/scans/batch one/back.png," +
                  answers);

    const QList<ScanPage> pages{
        page(2, 1, SurveySide::front, "/a"), page(1, 2, SurveySide::back, "/b"),
        page(1, 1, SurveySide::front, "/c"), page(1, 1, SurveySide::front, "/d"),
        page(3, 4, SurveySide::front, "/e")};
    const QList<SurveyResponse> responses{{2, utc(0, 0, 0), {"B"}}, {1, utc(0, 0, 0), {"A"}}};
    // Pages sort by survey, then page, ties keeping their order; survey 3 has no response.
    EXPECT_EQ(
        rows(CSVExporter::makeCSV(configurationWith(1), pages, responses, {}, false)),
        (QStringList{"1,Front,1,2026-03-01T09:00:00Z,/c,A", "1,Front,1,2026-03-01T09:00:00Z,/d,A",
                     "1,Back,2,2026-03-01T09:00:00Z,/b,A", "2,Front,1,2026-03-01T09:00:00Z,/a,B",
                     "3,Front,4,2026-03-01T09:00:00Z,/e,N/A"}));
    EXPECT_EQ(CSVExporter::makeCSV(configurationWith(1), {}, {}, {}, true), header);
}

// The one place the blank line between batches is pinned.
TEST_F(CSVFile, AMissingFileIsCreatedWithItsHeaderAndLaterBatchesFollowAnEmptyLine)
{
    const QList<SurveyResponse> responses{{1, {}, {"A"}}, {2, {}, {"B, or C"}}};
    append({page(1, 1)}, {responses[0]}, path);
    append({page(2, 3), page(2, 2)}, {responses[1]}, path);
    EXPECT_EQ(readBytes(path), header + "\n" + row(1, 1, "A") + "\n\n" + row(2, 2, "\"B, or C\"") +
                                   "\n" + row(2, 3, "\"B, or C\"") + "\n");

    // A rewrite holds every row once, without the blank lines.
    writeCSVFile(
        CSVExporter::makeCSV(configurationWith(1), {page(1, 1), page(2, 2)}, responses, {}, true),
        path, CSVFileEnding::lineFeed);
    EXPECT_EQ(readBytes(path),
              header + "\n" + row(1, 1, "A") + "\n" + row(2, 2, "\"B, or C\"") + "\n");

    // A batch without pages leaves the file alone.
    writeBytes(path, "kept as it was");
    append({}, {responses[0]}, path);
    EXPECT_EQ(readBytes(path), QByteArray("kept as it was"));

    // A missing file is made with its folders, header, rows and final line feed.
    const QString deep = dir.filePath("new folder/résultats/survey.csv");
    append({page(1, 1)}, {{1, {}, {"Yes"}}}, deep);
    EXPECT_EQ(readBytes(deep), header + "\n" + row(1, 1, "Yes") + "\n");
    // An empty file gets the header without a leading line feed.
    writeBytes(path, "");
    append({page(1, 1)}, {}, path);
    EXPECT_EQ(readBytes(path), header + "\n" + row(1, 1, "N/A") + "\n");
}

// A folder in the way, a file for a folder, or a disk that fills up is named
// in the error, and what was there stays as it was.
TEST_F(CSVFile, FailuresNameTheFileAndLeaveWhatWasThere)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("survey.csv"));
    EXPECT_TRUE(
        csvFailure([&] {
            append({page(1, 1)}, {}, path);
        }).starts_with("Could not open the CSV file \"" + path.toStdString() + "\" to add rows: "));

    writeBytes(dir.filePath("plain"), "x");
    const std::string noFolder = "Could not create the folder \"" +
                                 dir.filePath("plain").toStdString() +
                                 "\". Check that the location exists and that you may write there.";
    EXPECT_EQ(csvFailure([&] { append({page(1, 1)}, {}, dir.filePath("plain/survey.csv")); }),
              noFolder);
    EXPECT_EQ(readBytes(dir.filePath("plain")), QByteArray("x"));

    const QString partial = dir.filePath("partial.csv");
    append({page(1, 1)}, {{1, {}, {"A"}}}, partial);
    const QByteArray before = readBytes(partial);
    std::string failure;
    {
        // Room for part of the new row.
        testsupport::FileSizeCap cap(before.size() + 20);
        failure = csvFailure([&] { append({page(2, 2)}, {{2, {}, {"a long answer"}}}, partial); });
    }
    EXPECT_TRUE(failure.starts_with("Could not add rows to the CSV file \"" +
                                    partial.toStdString() + "\": "))
        << failure;
    EXPECT_TRUE(failure.ends_with(". The file keeps the rows it held before.")) << failure;
    EXPECT_EQ(readBytes(partial), before);
}
