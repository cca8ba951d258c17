#include "ScratchFileSystem.h"
#include "TestSupport.h"
#include "files/CSVExporter.h"
#include "files/FileError.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testsupport::readBytes;
using testsupport::writeBytes;

const QByteArray header = "survey_id,side,page_number,captured_at,scan_file,Q1";

ScanPage page(qint64 survey, qint64 number)
{
    return ScanPage{QUuid::createUuid(),
                    survey,
                    SurveySide::front,
                    number,
                    QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC),
                    QUrl::fromLocalFile(QStringLiteral("/scans/%1.png").arg(number))};
}

QByteArray row(qint64 survey, qint64 number, const char* answer)
{
    return QString("%1,Front,%2,2026-03-01T09:00:00Z,/scans/%2.png,%3")
        .arg(survey)
        .arg(number)
        .arg(QLatin1String(answer))
        .toUtf8();
}

SurveyConfiguration oneQuestion()
{
    SurveyConfiguration configuration;
    configuration.questionCount = 1;
    return configuration;
}

void append(const QList<ScanPage>& pages, const QList<SurveyResponse>& responses,
            const QString& path)
{
    CSVExporter::appendCSV(oneQuestion(), pages, responses, {}, path);
}

// The description of the CSV error the call raised.
template <typename F> std::string csvFailure(F&& call)
{
    try {
        call();
    } catch (const CSVFileError& error) {
        return error.description().toStdString();
    }
    return "no error";
}

class CSVFile : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    const QString path = dir.filePath("survey.csv");
};

} // namespace

TEST_F(CSVFile, MissingFileIsCreatedWithFoldersHeaderRowsAndFinalLineFeed)
{
    const QString deep = dir.filePath("new folder/résultats/survey.csv");
    append({page(1, 1)}, {{1, {}, {"Yes"}}}, deep);
    EXPECT_EQ(readBytes(deep), header + "\n" + row(1, 1, "Yes") + "\n");
    // An empty file gets the header without a leading line feed.
    writeBytes(path, "");
    append({page(1, 1)}, {}, path);
    EXPECT_EQ(readBytes(path), header + "\n" + row(1, 1, "N/A") + "\n");
}

// The one place the blank line between batches is pinned.
TEST_F(CSVFile, LaterBatchesFollowAnEmptyLineWithoutHeaderUntilRewritten)
{
    const QList<SurveyResponse> responses{{1, {}, {"A"}}, {2, {}, {"B, or C"}}};
    append({page(1, 1)}, {responses[0]}, path);
    append({page(2, 3), page(2, 2)}, {responses[1]}, path);
    EXPECT_EQ(readBytes(path), header + "\n" + row(1, 1, "A") + "\n\n" + row(2, 2, "\"B, or C\"") +
                                   "\n" + row(2, 3, "\"B, or C\"") + "\n");

    // A rewrite holds every row once, without the blank lines.
    writeCSVFile(CSVExporter::makeCSV(oneQuestion(), {page(1, 1), page(2, 2)}, responses, {}, true),
                 path, CSVFileEnding::lineFeed);
    EXPECT_EQ(readBytes(path),
              header + "\n" + row(1, 1, "A") + "\n" + row(2, 2, "\"B, or C\"") + "\n");

    // A batch without pages leaves the file alone.
    writeBytes(path, "kept as it was");
    append({}, {responses[0]}, path);
    EXPECT_EQ(readBytes(path), QByteArray("kept as it was"));
}

TEST_F(CSVFile, AFolderInTheWayOrAFileForAFolderIsNamedInTheError)
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
}

TEST_F(CSVFile, AnAppendThatCannotBeWrittenWholeLeavesTheFileAtItsEarlierLength)
{
    append({page(1, 1)}, {{1, {}, {"A"}}}, path);
    const QByteArray before = readBytes(path);
    std::string failure;
    {
        // Room for part of the new row, as on a disk that fills up.
        testsupport::FileSizeCap cap(before.size() + 20);
        failure = csvFailure([&] { append({page(2, 2)}, {{2, {}, {"a long answer"}}}, path); });
    }
    EXPECT_TRUE(
        failure.starts_with("Could not add rows to the CSV file \"" + path.toStdString() + "\": "))
        << failure;
    EXPECT_TRUE(failure.ends_with(". The file keeps the rows it held before.")) << failure;
    EXPECT_EQ(readBytes(path), before);
}
