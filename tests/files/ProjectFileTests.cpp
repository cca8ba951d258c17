#include "TestSupport.h"
#include "files/AtomicFile.h"
#include "files/FileError.h"
#include "files/PrettyJson.h"
#include "files/SurveyProjectDocument.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

using nlohmann::json;

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

// A small project touching every kind of value the file holds: escaped
// slashes, quotes and control characters, non-ASCII text, fractional dates,
// an empty list, each detection mode's name.
SurveyProjectDocument sampleDocument()
{
    SurveyConfiguration configuration;
    configuration.title = QStringLiteral("Science Fair \"Spring\" 2026");
    configuration.questionCount = 4;
    configuration.scanBothSides = false;
    configuration.duplexMode = DuplexMode::automatic;
    configuration.templatePreset = SurveyTemplate::custom;
    configuration.templateFields = {
        {1, QStringLiteral("I am:"), SurveyDetectionMode::singleChoice,
         QStringLiteral("Male\nFemale")},
        {2, QStringLiteral("Favourite subject?"), SurveyDetectionMode::written, QString()},
        {3, QStringLiteral("Clubs"), SurveyDetectionMode::multipleChoice,
         QStringLiteral("Art\nChess")},
        {4, QStringLiteral("Office use"), SurveyDetectionMode::ignore, QString()},
    };
    configuration.reviewThreshold = 0.85;

    SurveyProjectDocument document;
    document.projectName = configuration.title;
    document.savedAt = utc(2026, 3, 1, 14, 5, 9, 500);
    document.csvPath = QStringLiteral("/home/ana/Surveys/results.csv");
    document.configuration = configuration;
    document.pages = {
        {1, SurveySide::front, 1, utc(2026, 3, 1, 14, 0, 0),
         QStringLiteral("/tmp/scans/Fête d'été/page 1.png")},
        {1, SurveySide::back, 2, utc(2026, 3, 1, 14, 0, 1, 250),
         QStringLiteral("/tmp/scans/Fête d'été/page 2.png")},
    };
    document.responses = {
        {1,
         utc(2026, 3, 1, 14, 0, 0),
         {QStringLiteral("Female"), QStringLiteral("Maths\\Art, \"obviously\"\t\x01")}},
        {2, utc(2001, 1, 1, 0, 0, 0), {}},
    };
    document.questions = {{1, QStringLiteral("I am:")}, {2, QStringLiteral("Favourite subject?")}};
    return document;
}

const QByteArray sample = encodeProjectDocument(sampleDocument());

// The sample file with the value at `pointer` replaced, or removed when
// `value` is discarded.
QByteArray edited(const char* pointer, const json& value = json(json::value_t::discarded))
{
    json root = json::parse(sample.toStdString());
    const json::json_pointer at(pointer);
    if (value.is_discarded())
        root[at.parent_pointer()].erase(at.back());
    else
        root[at] = value;
    return QByteArray::fromStdString(root.dump(2));
}

// The sample file cut off right after the first occurrence of `end`.
QByteArray cutAfter(const char* end)
{
    return sample.left(sample.indexOf(end) + qsizetype(qstrlen(end)));
}

class ProjectFileReading : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    const QString path = dir.filePath("project file.twk");

    SurveyProjectDocument read(const QByteArray& bytes)
    {
        testsupport::writeBytes(path, bytes);
        return readProjectFile(path);
    }
    // The description of the error reading the file raises.
    std::string failure(const QString& file)
    {
        return testsupport::thrownText<ProjectFileError>([&] { readProjectFile(file); })
            .toStdString();
    }
};

} // namespace

TEST(ProjectDocumentEncoding, MatchesTheCheckedInFileByteForByteAndOptionalAndEmptyPartsRoundTrip)
{
    const QByteArray golden =
        testsupport::readBytes(testsupport::sourceDir() + "/tests/files/golden/sample-project.twk");
    EXPECT_EQ(encodeProjectDocument(sampleDocument()).toStdString(), golden.toStdString());
    EXPECT_EQ(decodeProjectDocument(golden), sampleDocument());

    SurveyProjectDocument document = sampleDocument();
    document.csvPath.reset();
    const QByteArray withoutCSV = encodeProjectDocument(document);
    EXPECT_FALSE(withoutCSV.contains("csvPath"));
    EXPECT_EQ(decodeProjectDocument(withoutCSV), document);

    const auto empty = SurveyProjectDocument::fromState(SurveyConfiguration{}, {}, {}, {},
                                                        std::nullopt, utc(2026, 1, 1, 0, 0, 0));
    const QByteArray written = encodeProjectDocument(empty);
    for (const char* list : {"pages", "questions", "responses"})
        EXPECT_TRUE(written.contains(QByteArray("\"") + list + "\" : [],\n")) << list;
    EXPECT_EQ(decodeProjectDocument(written), empty);
}

TEST_F(ProjectFileReading, BadFilesAreRefusedNamingTheProblemAndHarmlessVariationsAccepted)
{
    QByteArray tooLarge = sample;
    tooLarge.replace("\"reviewThreshold\" : 0.85", "\"reviewThreshold\" : 1e400");
    const std::pair<QByteArray, const char*> rows[] = {
        {QByteArray(), "empty"},
        {" \n\t\n", "empty"},
        {cutAfter("\"configuration\" : {"), "cut off"},
        {QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "binary"},
        {"{\"version\" : \"\xff\xfe\"}", "UTF-8"},
        {"survey_id,side\n1,Front\n", "not valid JSON"},
        {tooLarge, "too large"},
        {"[1, 2]", "not an object"},
        {QByteArray(100000, '[') + QByteArray(100000, ']'), "not an object"},
        {edited("/version"), "\"version\" is missing"},
        {edited("/savedAt", "2026-03-01T14:05:09Z"), "\"savedAt\""},
        {edited("/pages/1/side"), "\"pages[1].side\" is missing"},
        {edited("/pages/0/side", "Left"), "\"pages[0].side\""},
        {edited("/pages/0/filePath", nullptr), "\"pages[0].filePath\""},
        {edited("/configuration/duplexMode", "Triplex"), "\"configuration.duplexMode\""},
        {edited("/responses/0/answers/1", 3), "\"responses[0].answers[1]\""},
        {edited("/questions"), "\"questions\" is missing"},
        {edited("/reviewItems", json::array({json{{"questionNumber", 2}}})),
         "\"reviewItems[0].surveyNumber\" is missing"},
        {edited("/reviewItems", json::array({json{{"surveyNumber", 1},
                                                  {"questionNumber", 2},
                                                  {"cropRect", json::array({1, 2, 3})}}})),
         "\"reviewItems[0].cropRect\""},
        {edited("/answerSources",
                json::array(
                    {json{{"surveyNumber", 1}, {"questionNumber", 2}, {"source", "guessed"}}})),
         "\"answerSources[0].source\""},
    };
    for (const auto& [bytes, expected] : rows) {
        testsupport::writeBytes(path, bytes);
        const std::string description = failure(path);
        EXPECT_NE(description.find("project file.twk"), std::string::npos) << description;
        EXPECT_NE(description.find(expected), std::string::npos) << description;
    }
    EXPECT_NE(failure(dir.filePath("absent.twk")).find("absent.twk"), std::string::npos);
    EXPECT_NE(failure(dir.path()).find("folder"), std::string::npos);

    QFile huge(dir.filePath("video.twk"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(300LL * 1024 * 1024)); // sparse, costs no disk
    huge.close();
    EXPECT_NE(failure(huge.fileName()).find("too large"), std::string::npos);

    for (const QByteArray& bytes :
         {edited("/version", 2), edited("/version", 0), edited("/pages/0/rotation", 90),
          edited("/blankPages", json::array({1, 2})), edited("/csvPath", nullptr)}) {
        SurveyProjectDocument expected = sampleDocument();
        const SurveyProjectDocument document = read(bytes);
        expected.version = document.version;
        expected.csvPath = document.csvPath;
        EXPECT_EQ(document, expected);
    }
    EXPECT_FALSE(read(edited("/csvPath", nullptr)).csvPath.has_value());
    EXPECT_EQ(read(QByteArray(sample).replace("\\/", "/")), sampleDocument());
}

TEST(ProjectFileWriting, AFailedReplacementKeepsTheEarlierFileAFifoOrALinkIsNotReplaced)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Survey.twk");
    writeProjectFile(sampleDocument(), path);
    SurveyProjectDocument longer = sampleDocument();
    longer.responses.append({3, utc(2026, 3, 2, 9, 0, 0), QStringList(50, "Maths")});
    QString failure;
    {
        // The new text cannot grow past the old file's length, as on a full disk.
        testsupport::FileSizeCap cap(QFileInfo(path).size());
        failure = testsupport::thrownText<FileError>([&] { writeProjectFile(longer, path); });
    }
    EXPECT_TRUE(failure.startsWith("Could not write \"" + path + "\": ")) << failure.toStdString();
    EXPECT_EQ(readProjectFile(path), sampleDocument());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Survey.twk"});

    // Replacing a folder with a file is refused rather than half done.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.twk"));
    EXPECT_TRUE(testsupport::thrownText<FileError>([&] {
                    writeProjectFile(sampleDocument(), dir.filePath("taken.twk"));
                }).contains("a folder of that name is already there"));

    // A fifo is written into; a link's target is replaced, with its folders if dangling.
    const QByteArray fifo = QFile::encodeName(dir.filePath("to-reader"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    // A reader that is already there lets the writer open without waiting.
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    EXPECT_NO_THROW(writeFileAtomically(QFile::decodeName(fifo), "survey_id\n1\n"));

    char buffer[64] = {};
    const ssize_t got = ::read(reader, buffer, sizeof buffer);
    ::close(reader);
    EXPECT_EQ(QByteArray(buffer, int(std::max<ssize_t>(got, 0))), QByteArray("survey_id\n1\n"));
    struct stat status
    {
    };
    ASSERT_EQ(::stat(fifo.constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));

    const QString target = dir.filePath("kept/answers.csv");
    const QString dangling = dir.filePath("elsewhere/new folder/answers.csv");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("kept")));
    testsupport::writeBytes(target, "old");
    ASSERT_TRUE(QFile::link(target, dir.filePath("link.csv")));
    ASSERT_TRUE(QFile::link(dangling, dir.filePath("dangling.csv")));

    EXPECT_NO_THROW(writeFileAtomically(dir.filePath("link.csv"), "new"));
    EXPECT_NO_THROW(writeFileAtomically(dir.filePath("dangling.csv"), "made"));

    EXPECT_TRUE(QFileInfo(dir.filePath("link.csv")).isSymLink());
    EXPECT_EQ(testsupport::readBytes(target), QByteArray("new"));
    EXPECT_TRUE(QFileInfo(dir.filePath("dangling.csv")).isSymLink());
    EXPECT_EQ(testsupport::readBytes(dangling), QByteArray("made"));
}

TEST(ShortestNumberText, EverydayValuesReadPlainlyExtremesUseAnExponentAndAllReadBack)
{
    const std::pair<double, const char*> rows[] = {
        {0.92, "0.92"},         {1.0, "1"},      {794066709.5, "794066709.5"},
        {0.000001, "0.000001"}, {1e-7, "1e-07"}, {1.5e21, "1.5e+21"}};
    for (const auto& [value, text] : rows)
        EXPECT_EQ(shortestNumberText(value), text);
    // Non-finite numbers cannot be saved.
    EXPECT_THROW(shortestNumberText(std::numeric_limits<double>::quiet_NaN()), FileError);
    EXPECT_THROW(shortestNumberText(std::numeric_limits<double>::infinity()), FileError);

    QRandomGenerator random(20260301);
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::pow(10.0, random.bounded(-12.0) + random.bounded(24.0));
        const double value = (random.bounded(2) ? -1 : 1) * random.generateDouble() * magnitude;
        const std::string text = shortestNumberText(value);
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
        ASSERT_EQ(nlohmann::json::parse(text).get<double>(), value) << text;
    }
}
