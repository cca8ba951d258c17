#include "ScratchFileSystem.h"
#include "files/CSVExporter.h"
#include "files/FileError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

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
    return QStringLiteral("%1,Front,%2,2026-03-01T09:00:00Z,/scans/%2.png,%3")
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

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
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
    EXPECT_EQ(contents(deep), header + "\n" + row(1, 1, "Yes") + "\n");
    // An empty file gets the header without a leading line feed.
    put(path, "");
    append({page(1, 1)}, {}, path);
    EXPECT_EQ(contents(path), header + "\n" + row(1, 1, "N/A") + "\n");
}

TEST_F(CSVFile, LaterBatchesFollowAnEmptyLineWithoutHeader)
{
    append({page(1, 1)}, {{1, {}, {"A"}}}, path);
    append({page(2, 3), page(2, 2)}, {{2, {}, {"B, or C"}}}, path);
    EXPECT_EQ(contents(path), header + "\n" + row(1, 1, "A") + "\n\n" + row(2, 2, "\"B, or C\"") +
                                  "\n" + row(2, 3, "\"B, or C\"") + "\n");
}

TEST_F(CSVFile, BatchWithoutPagesLeavesAFileWithContentAlone)
{
    put(path, "kept as it was");
    append({}, {{1, {}, {"A"}}}, path);
    EXPECT_EQ(contents(path), QByteArray("kept as it was"));
}

TEST_F(CSVFile, FolderInTheWayOrAFileForAFolderIsAnError)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("survey.csv"));
    try {
        append({page(1, 1)}, {}, path);
        FAIL();
    } catch (const CSVFileError& error) {
        EXPECT_TRUE(error.description().contains("survey.csv")) << error.what();
    }
    put(dir.filePath("plain"), "x");
    EXPECT_THROW(append({page(1, 1)}, {}, dir.filePath("plain/survey.csv")), CSVFileError);
}

TEST_F(CSVFile, ConnectEndsWithLineFeedAndExportDoesNot)
{
    const QString connected = dir.filePath("a/b/connected.csv");
    writeCSVFile(QStringLiteral("h\nr"), connected, CSVFileEnding::lineFeed);
    EXPECT_EQ(contents(connected), QByteArray("h\nr\n"));
    put(path, "an older, longer export that must be replaced");
    writeCSVFile(QStringLiteral("h\nr"), path, CSVFileEnding::none);
    EXPECT_EQ(contents(path), QByteArray("h\nr"));
}

TEST_F(CSVFile, RewriteRemovesTheBlankLinesBetweenBatches)
{
    const QList<ScanPage> pages{page(1, 1), page(2, 2)};
    const QList<SurveyResponse> responses{{1, {}, {"A"}}, {2, {}, {"B"}}};
    append({pages[0]}, {responses[0]}, path);
    append({pages[1]}, {responses[1]}, path);
    ASSERT_TRUE(contents(path).contains("\n\n"));
    writeCSVFile(CSVExporter::makeCSV(oneQuestion(), pages, responses, {}, true), path,
                 CSVFileEnding::lineFeed);
    EXPECT_EQ(contents(path), header + "\n" + row(1, 1, "A") + "\n" + row(2, 2, "B") + "\n");
}

TEST_F(CSVFile, UnwritablePlaceIsATypedError)
{
    put(dir.filePath("plain"), "x");
    try {
        writeCSVFile(QStringLiteral("h"), dir.filePath("plain/out.csv"), CSVFileEnding::none);
        FAIL();
    } catch (const CSVFileError& error) {
        EXPECT_TRUE(error.description().contains("plain")) << error.what();
    }
    EXPECT_EQ(contents(dir.filePath("plain")), QByteArray("x"));
}

TEST(CSVFileOnAFullDisk, AFailedAppendLeavesTheFileAtItsEarlierLength)
{
    testsupport::ScratchFileSystem disk(64 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    const QString path = disk.filePath(QStringLiteral("answers.csv"));
    append({page(1, 1)}, {{1, {}, {"A"}}}, path);
    const QByteArray before = contents(path);
    disk.fill();
    // Longer than the free end of the file's last block, so part of it fits.
    const QString longAnswer(20000, QLatin1Char('x'));
    try {
        append({page(2, 2)}, {{2, {}, {longAnswer}}}, path);
        FAIL() << "the append was reported as done";
    } catch (const CSVFileError& error) {
        EXPECT_TRUE(error.description().contains(path)) << error.what();
    }
    EXPECT_EQ(contents(path), before);
}
