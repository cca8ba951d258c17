#include "ScratchFileSystem.h"
#include "files/SurveyProjectDocument.h"
#include "samples/SampleSet.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList& arguments, const QString& dataHome,
              const QList<QPair<QString, QString>>& variables = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome); // keeps PDF pages in the test
    // Nothing may land in a shared temporary folder; tests look here.
    environment.insert(QStringLiteral("TMPDIR"), dataHome + QStringLiteral("/tmp"));
    for (const auto& [name, value] : variables)
        environment.insert(name, value);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TW_CLI_BINARY), arguments);
    EXPECT_TRUE(process.waitForFinished(600000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// One CSV text into rows of fields, with quoted fields unquoted.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row.append(field);
            field.clear();
        } else if (c == QLatin1Char('\n')) {
            row.append(field);
            rows.append(row);
            row.clear();
            field.clear();
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty()) {
        row.append(field);
        rows.append(row);
    }
    return rows;
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Every page row carries its survey's answers. A question with every box
// ticked reads blank (and goes to review), so the check is a floor: it
// catches a reader that misses a kind of mark or a page side.
void expectRowsMatch(const QList<QStringList>& rows, const SampleSet& set)
{
    int cells = 0;
    int matched = 0;
    for (const QStringList& row : rows.mid(1)) {
        ASSERT_EQ(row.size(), 5 + 14);
        const qint64 survey = row[0].toLongLong();
        ASSERT_GE(survey, 1);
        ASSERT_LE(survey, set.sheets.size());
        const QStringList expected = expectedAnswers(set.sheets[survey - 1]);
        for (int q = 0; q < 14; ++q) {
            ++cells;
            if (answerMatches(expected[q], row[5 + q]))
                ++matched;
        }
    }
    EXPECT_GE(matched * 100, cells * 85) << matched << " of " << cells << " cells match";
}

} // namespace

TEST(CliEndToEnd, ReadsADuplexStackIntoCsvProjectAndReviewList)
{
    QTemporaryDir dir;
    const SampleSet set = makeSampleSet(2, 4, 300, false, SampleStackOrder::duplex);
    const QStringList paths = writeSampleSet(set, dir.filePath(QStringLiteral("stack")));
    const QString csv = dir.filePath(QStringLiteral("out/answers.csv"));
    const QString project = dir.filePath(QStringLiteral("out/survey.twk"));
    const QString review = dir.filePath(QStringLiteral("out/review.json"));

    const CliRun run =
        runCli({QStringLiteral("read"), QStringLiteral("--sides"), QStringLiteral("duplex"),
                QStringLiteral("--csv"), csv, QStringLiteral("--project"), project,
                QStringLiteral("--review"), review, QStringLiteral("--jobs"), QStringLiteral("2"),
                dir.filePath(QStringLiteral("stack"))},
               dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("page 4 of 4")));

    const QList<QStringList> rows = parseCsv(readText(csv));
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0].mid(0, 6),
              (QStringList{QStringLiteral("survey_id"), QStringLiteral("side"),
                           QStringLiteral("page_number"), QStringLiteral("captured_at"),
                           QStringLiteral("scan_file"), QStringLiteral("Q1: I am:")}));
    const QStringList sides{rows[1][1], rows[2][1], rows[3][1], rows[4][1]};
    EXPECT_EQ(sides, (QStringList{QStringLiteral("Front"), QStringLiteral("Back"),
                                  QStringLiteral("Front"), QStringLiteral("Back")}));
    EXPECT_EQ(rows[3][0], QStringLiteral("2"));
    EXPECT_EQ(rows[3][4], paths[2]);
    expectRowsMatch(rows, set);

    const SurveyProjectDocument document = readProjectFile(project);
    EXPECT_EQ(document.pages.size(), 4);
    EXPECT_EQ(document.responses.size(), 2);
    EXPECT_EQ(document.configuration.duplexMode, DuplexMode::automatic);
    EXPECT_EQ(document.csvPath, QFileInfo(csv).absoluteFilePath());

    // The crops sit beside the review list, in a folder named after it.
    const QJsonArray items = QJsonDocument::fromJson(readText(review).toUtf8()).array();
    EXPECT_FALSE(items.isEmpty());
    for (const QJsonValue& value : items) {
        const QJsonObject item = value.toObject();
        EXPECT_EQ(item.size(), 7);
        EXPECT_GE(item[QStringLiteral("questionNumber")].toInt(), 1);
        const QString image = item[QStringLiteral("imageFile")].toString();
        EXPECT_TRUE(QFile::exists(image));
        EXPECT_TRUE(image.startsWith(dir.filePath(QStringLiteral("out/review-crops/"))))
            << image.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("tmp"))));
}

TEST(CliEndToEnd, AMissingInputIsNamedAndTheOtherPagesAreStillRead)
{
    QTemporaryDir dir;
    const SampleSet set = makeSampleSet(1, 8, 300, false, SampleStackOrder::singleSided);
    const QStringList paths = writeSampleSet(set, dir.filePath(QStringLiteral("stack")));
    const QString missing = dir.filePath(QStringLiteral("no-such-page.png"));
    const QString broken = dir.filePath(QStringLiteral("broken.png"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG but not really");
    file.close();

    const CliRun run = runCli({QStringLiteral("read"), missing, paths[0], broken}, dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(missing + QStringLiteral(": no such file")))
        << run.err.toStdString();
    // The undecodable page is named too, and leaves no row behind.
    EXPECT_TRUE(run.err.contains(broken + QStringLiteral(": ")));
    const QList<QStringList> rows = parseCsv(run.out);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1][4], paths[0]);
    // Only the front was read: the back's questions have no answers.
    for (int q = 8; q <= 14; ++q)
        EXPECT_EQ(rows[1][4 + q], QStringLiteral("N/A")) << "Q" << q;
    // Without a review list no crops are written anywhere.
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("stack/review-crops"))));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("tmp"))));
}

TEST(CliEndToEnd, ADamagedTemplateProjectIsNamedNotACrash)
{
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("damaged.twk"));
    QFile file(project);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"version\": 1e400}");
    file.close();
    const CliRun run = runCli(
        {QStringLiteral("read"), QStringLiteral("--template"), project, QStringLiteral("a.png")},
        dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(project)) << run.err.toStdString();
}

TEST(CliEndToEnd, AMissingRecognitionModelIsSaidOnceAndFails)
{
    QTemporaryDir dir;
    const SampleSet set = makeSampleSet(1, 8, 150, false, SampleStackOrder::duplex);
    const QStringList paths = writeSampleSet(set, dir.filePath(QStringLiteral("stack")));
    const QString models = dir.filePath(QStringLiteral("no-models"));
    ASSERT_TRUE(QDir().mkpath(models));
    const CliRun run = runCli({QStringLiteral("read"), paths[0], paths[1]}, dir.path(),
                              {{QStringLiteral("TESSDATA_PREFIX"), models}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.count(QStringLiteral("tallywicket-cli: The text recognition model")), 1)
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(models + QStringLiteral("/eng.traineddata")));
    EXPECT_EQ(parseCsv(run.out).size(), 3); // the pages are still read, by layout alone
}

TEST(CliEndToEnd, AFullDiskFailsLoudlyAndKeepsTheEarlierFiles)
{
    testsupport::ScratchFileSystem disk(512 * 1024);
    if (!disk.isMounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    QTemporaryDir dir;
    const SampleSet set = makeSampleSet(1, 8, 150, false, SampleStackOrder::singleSided);
    const QStringList paths = writeSampleSet(set, dir.filePath(QStringLiteral("stack")));
    const QStringList outputs{disk.filePath(QStringLiteral("answers.csv")),
                              disk.filePath(QStringLiteral("survey.twk")),
                              disk.filePath(QStringLiteral("review.json"))};
    for (const QString& output : outputs) {
        QFile file(output);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("earlier " + output.toUtf8());
    }
    disk.fill();
    const CliRun run = runCli({QStringLiteral("read"), QStringLiteral("--csv"), outputs[0],
                               QStringLiteral("--project"), outputs[1], QStringLiteral("--review"),
                               outputs[2], paths[0]},
                              dir.path());
    EXPECT_EQ(run.exitCode, 1);
    for (const QString& output : outputs) {
        EXPECT_EQ(readText(output), QStringLiteral("earlier ") + output);
        EXPECT_TRUE(run.err.contains(output)) << run.err.toStdString();
    }
}

TEST(CliEndToEnd, UsageErrorsAndHelp)
{
    QTemporaryDir dir;
    const CliRun bare = runCli({QStringLiteral("read")}, dir.path());
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_TRUE(bare.err.contains(QStringLiteral("Usage: tallywicket-cli read")));
    EXPECT_EQ(runCli({QStringLiteral("read"), QStringLiteral("--jobs"), QStringLiteral("0"),
                      QStringLiteral("a.png")},
                     dir.path())
                  .exitCode,
              2);
    const CliRun help = runCli({QStringLiteral("--help")}, dir.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--review FILE")));
}

TEST(CliEndToEnd, APdfOfScannedPagesIsReadPageByPage)
{
    QTemporaryDir dir;
    const SampleSet set = makeSampleSet(1, 11, 300, false, SampleStackOrder::duplex);
    const QStringList paths = writeSampleSet(set, dir.filePath(QStringLiteral("stack")));
    const QString pdf = dir.filePath(QStringLiteral("copier scan.pdf"));
    {
        // What an office copier makes: each page a full-page image.
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setResolution(300);
        QPainter painter(&writer);
        for (int i = 0; i < paths.size(); ++i) {
            if (i > 0)
                writer.newPage();
            painter.drawImage(QRect(0, 0, 2550, 3300), QImage(paths[i]));
        }
    }
    const CliRun run =
        runCli({QStringLiteral("read"), QStringLiteral("--sides"), QStringLiteral("duplex"), pdf},
               dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QList<QStringList> rows = parseCsv(run.out);
    ASSERT_EQ(rows.size(), 3);
    // Rendered pages are kept beside the app's scans, since files point at them.
    EXPECT_TRUE(
        rows[1][4].startsWith(dir.path() + QStringLiteral("/Tallywicket/scans/copier scan-")))
        << rows[1][4].toStdString();
    EXPECT_TRUE(QFile::exists(rows[2][4]));
    expectRowsMatch(rows, set);
}
