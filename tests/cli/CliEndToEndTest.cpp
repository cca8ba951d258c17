#include "TestSupport.h"
#include "files/SurveyProjectDocument.h"
#include "samples/SampleSet.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using testsupport::readText;

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

class CliEndToEnd : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    CliRun run(const QStringList& arguments, const QString& models = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", dir.path()); // keeps PDF pages in the test
        // Nothing may land in a shared temporary folder; tests look here.
        environment.insert("TMPDIR", dir.filePath("tmp"));
        if (!models.isEmpty())
            environment.insert("TESSDATA_PREFIX", models);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TW_CLI_BINARY), QStringList{"read"} + arguments);
        EXPECT_TRUE(process.waitForFinished(600000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // A rendered stack of sample surveys and its page files.
    QStringList stack(const SampleSet& set) { return writeSampleSet(set, dir.filePath("stack")); }
};

// The data rows of a CSV text; no answer of these surveys holds a line break.
QStringList csvRows(const QString& text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1);
}

} // namespace

// The second sheet comes as a PDF, as an office copier makes it: each page a
// full-page image.
TEST_F(CliEndToEnd, ReadsADuplexStackOfImagesAndAPdfIntoCsvProjectAndReviewList)
{
    const SampleSet set = makeSampleSet(2, 4, 300, false, SampleStackOrder::duplex);
    const QStringList paths = stack(set);
    const QString pdf = dir.filePath("copier scan.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setResolution(300);
        QPainter painter(&writer);
        painter.drawImage(QRect(0, 0, 2550, 3300), QImage(paths[2]));
        writer.newPage();
        painter.drawImage(QRect(0, 0, 2550, 3300), QImage(paths[3]));
    }
    ASSERT_TRUE(QFile::remove(paths[2]) && QFile::remove(paths[3]));
    const QString csv = dir.filePath("out/answers.csv");
    const QString project = dir.filePath("out/survey.twk");
    const QString review = dir.filePath("out/review.json");

    const CliRun read = run({"--sides", "duplex", "--csv", csv, "--project", project, "--review",
                             review, "--jobs", "2", dir.filePath("stack"), pdf});
    EXPECT_EQ(read.exitCode, 0) << read.err.toStdString();
    EXPECT_TRUE(read.out.isEmpty());
    EXPECT_TRUE(read.err.contains("page 4 of 4"));

    // The CSV holds one row a page, under the template's wording, not "Q1".
    const QString text = readText(csv);
    EXPECT_TRUE(text.startsWith("survey_id,side,page_number,captured_at,scan_file,Q1: I am:,"));
    EXPECT_EQ(csvRows(text).size(), 4);
    const SurveyProjectDocument document = readProjectFile(project);
    EXPECT_EQ(testsupport::mapped(document.pages, &SavedScanPage::side),
              (QList<SurveySide>{SurveySide::front, SurveySide::back, SurveySide::front,
                                 SurveySide::back}));
    EXPECT_EQ(document.pages[0].filePath, paths[0]);
    EXPECT_EQ(document.pages[2].surveyNumber, 2);
    // Rendered pages are kept beside the app's scans, since files point at them.
    EXPECT_TRUE(
        document.pages[2].filePath.startsWith(dir.path() + "/Tallywicket/scans/copier scan-"))
        << document.pages[2].filePath.toStdString();
    EXPECT_TRUE(QFile::exists(document.pages[3].filePath));
    EXPECT_EQ(document.configuration.duplexMode, DuplexMode::automatic);
    EXPECT_EQ(document.csvPath, QFileInfo(csv).absoluteFilePath());
    // Each survey carries the answers of both its sides. A question with every
    // box ticked reads blank (and goes to review), so the check is a floor: it
    // catches a reader that misses a kind of mark or a page side.
    ASSERT_EQ(document.responses.size(), 2);
    int matched = 0;
    for (const SurveyResponse& response : document.responses) {
        const QStringList expected = expectedAnswers(set.sheets[response.surveyNumber - 1]);
        for (int q = 0; q < 14; ++q)
            matched += answerMatches(expected[q], response.answers.value(q));
    }
    EXPECT_GE(matched * 100, 2 * 14 * 85) << matched << " of 28 answers match";

    // The crops sit beside the review list, in a folder named after it.
    const QJsonArray items = QJsonDocument::fromJson(readText(review).toUtf8()).array();
    EXPECT_FALSE(items.isEmpty());
    for (const QJsonValue& item : items) {
        const QString image = item["imageFile"].toString();
        EXPECT_TRUE(QFile::exists(image));
        EXPECT_TRUE(image.startsWith(dir.filePath("out/review-crops/"))) << image.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("tmp")));
}

TEST_F(CliEndToEnd, AMissingInputADamagedTemplateOrAMissingModelIsSaidAndThePagesStillRead)
{
    const QStringList paths = stack(makeSampleSet(1, 8, 300, false, SampleStackOrder::singleSided));
    const QString missing = dir.filePath("no-such-page.png");
    const QString broken = dir.filePath("broken.png");
    testsupport::writeBytes(broken, "\x89PNG but not really");

    const CliRun read = run({missing, paths[0], broken});
    EXPECT_EQ(read.exitCode, 1);
    EXPECT_TRUE(read.err.contains(missing + ": no such file")) << read.err.toStdString();
    // The undecodable page is named too, and leaves no row behind.
    EXPECT_TRUE(read.err.contains(broken + ": "));
    const QStringList rows = csvRows(read.out);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows[0].contains("," + paths[0] + ","));
    // Only the front was read: the back's questions have no answers.
    EXPECT_TRUE(rows[0].endsWith(QString(",N/A").repeated(7)));
    // Without a review list no crops are written anywhere.
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("stack/review-crops")));

    // Usage errors exit with 2, help with 0.
    const CliRun bare = run({});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_TRUE(bare.err.contains("Usage: tallywicket-cli read"));
    const CliRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--review FILE"));

    const QString project = dir.filePath("damaged.twk");
    testsupport::writeBytes(project, "{\"version\": 1e400}");
    const CliRun damaged = run({"--template", project, "a.png"});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_TRUE(damaged.err.contains(project)) << damaged.err.toStdString();

    const QStringList duplex = stack(makeSampleSet(1, 8, 150, false, SampleStackOrder::duplex));
    const QString models = dir.filePath("no-models");
    ASSERT_TRUE(QDir().mkpath(models));
    const CliRun noModel = run({duplex[0], duplex[1]}, models);
    EXPECT_EQ(noModel.exitCode, 1);
    EXPECT_EQ(noModel.err.count("tallywicket-cli: The text recognition model"), 1)
        << noModel.err.toStdString();
    EXPECT_TRUE(noModel.err.contains(models + "/eng.traineddata"));
    EXPECT_EQ(csvRows(noModel.out).size(), 2); // the pages are still read, by layout alone
}

TEST_F(CliEndToEnd, OutputsThatCannotBeWrittenFailLoudlyAndKeepTheEarlierFiles)
{
    const QStringList paths = stack(makeSampleSet(1, 8, 150, false, SampleStackOrder::singleSided));
    const QStringList outputs{dir.filePath("answers.csv"), dir.filePath("survey.twk"),
                              dir.filePath("review.json")};
    for (const QString& output : outputs)
        testsupport::writeBytes(output, "earlier " + output.toUtf8());
    CliRun read;
    {
        // No file may grow past 100 bytes, in the program either: a full disk.
        testsupport::FileSizeCap cap(100);
        read =
            run({"--csv", outputs[0], "--project", outputs[1], "--review", outputs[2], paths[0]});
    }
    EXPECT_EQ(read.exitCode, 1);
    for (const QString& output : outputs) {
        EXPECT_EQ(readText(output), "earlier " + output);
        EXPECT_TRUE(read.err.contains(output)) << read.err.toStdString();
    }
}
