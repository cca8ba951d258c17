#include "ProjectFixtures.h"
#include "files/FileError.h"
#include "files/SurveyProjectDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

json sampleJson()
{
    return json::parse(encodeProjectDocument(fixtures::sampleDocument()).toStdString());
}

QByteArray edited(const std::function<void(json&)>& edit)
{
    json root = sampleJson();
    edit(root);
    return QByteArray::fromStdString(root.dump(2));
}

// The sample file cut off right after the first occurrence of `end`.
QByteArray truncated(const char* end)
{
    const QByteArray full = encodeProjectDocument(fixtures::sampleDocument());
    return full.left(full.indexOf(end) + qsizetype(qstrlen(end)));
}

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("project file.twk"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

// The description of the error reading the file raises.
std::string readFailure(const QString& path)
{
    try {
        readProjectFile(path);
    } catch (const ProjectFileError& error) {
        return error.description().toStdString();
    }
    return "the file was accepted";
}

struct BadFileRow
{
    const char* name;
    std::function<QByteArray()> bytes;
    const char* expectedInDescription;
};

class BadProjectFile : public ::testing::TestWithParam<BadFileRow>
{
};

} // namespace

TEST_P(BadProjectFile, IsRefusedWithAnActionableDescription)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string description = readFailure(writeFile(dir, GetParam().bytes()));
    EXPECT_NE(description.find("project file.twk"), std::string::npos) << description;
    EXPECT_NE(description.find(GetParam().expectedInDescription), std::string::npos) << description;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadProjectFile,
    ::testing::Values(
        BadFileRow{"Empty", [] { return QByteArray(); }, "empty"},
        BadFileRow{"OnlyWhiteSpace", [] { return QByteArray(" \n\t\n"); }, "empty"},
        BadFileRow{"TruncatedBetweenMembers", [] { return truncated("\"configuration\" : {"); },
                   "cut off"},
        BadFileRow{"TruncatedInsideText", [] { return truncated("Male"); }, "cut off"},
        BadFileRow{"TruncatedInsideNumber", [] { return truncated("794066401.2"); }, "cut off"},
        BadFileRow{"TruncatedInsideLiteral", [] { return truncated("fal"); }, "cut off"},
        BadFileRow{"BinaryImage", [] { return QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16); },
                   "binary"},
        BadFileRow{"NotUtf8", [] { return QByteArray("{\"version\" : \"\xff\xfe\"}"); }, "UTF-8"},
        BadFileRow{"CsvInsteadOfJson", [] { return QByteArray("survey_id,side\n1,Front\n"); },
                   "not valid JSON"},
        BadFileRow{"NumberTooLargeForADouble",
                   [] {
                       QByteArray bytes = encodeProjectDocument(fixtures::sampleDocument());
                       const qsizetype at = bytes.indexOf("\"reviewThreshold\" : ") + 20;
                       return bytes.left(at) + "1e400" +
                              bytes.mid(bytes.indexOf(QByteArray(","), at));
                   },
                   "too large"},
        BadFileRow{"TopLevelArray", [] { return QByteArray("[1, 2]"); }, "not an object"},
        BadFileRow{"DeeplyNested", [] { return QByteArray(100000, '[') + QByteArray(100000, ']'); },
                   "not an object"},
        BadFileRow{"VersionMissing", [] { return edited([](json& j) { j.erase("version"); }); },
                   "\"version\" is missing"},
        BadFileRow{"VersionText", [] { return edited([](json& j) { j["version"] = "1"; }); },
                   "\"version\""},
        BadFileRow{"SavedAtText",
                   [] { return edited([](json& j) { j["savedAt"] = "2026-03-01T14:05:09Z"; }); },
                   "\"savedAt\""},
        BadFileRow{"PagesObject",
                   [] { return edited([](json& j) { j["pages"] = json::object(); }); },
                   "\"pages\""},
        BadFileRow{"PageMissingSide",
                   [] { return edited([](json& j) { j["pages"][1].erase("side"); }); },
                   "\"pages[1].side\" is missing"},
        BadFileRow{"PageUnknownSide",
                   [] { return edited([](json& j) { j["pages"][0]["side"] = "Left"; }); },
                   "\"pages[0].side\""},
        BadFileRow{"PagePathNull",
                   [] { return edited([](json& j) { j["pages"][0]["filePath"] = nullptr; }); },
                   "\"pages[0].filePath\""},
        BadFileRow{
            "ConfigurationUnknownDuplex",
            [] { return edited([](json& j) { j["configuration"]["duplexMode"] = "Triplex"; }); },
            "\"configuration.duplexMode\""},
        BadFileRow{"AnswerNumber",
                   [] { return edited([](json& j) { j["responses"][0]["answers"][1] = 3; }); },
                   "\"responses[0].answers[1]\""},
        BadFileRow{"QuestionsMissing", [] { return edited([](json& j) { j.erase("questions"); }); },
                   "\"questions\" is missing"},
        BadFileRow{"CsvPathNumber", [] { return edited([](json& j) { j["csvPath"] = 5; }); },
                   "\"csvPath\""},
        BadFileRow{"ReviewItemWithoutSurvey",
                   [] {
                       return edited([](json& j) {
                           j["reviewItems"] = json::array({json{{"questionNumber", 2}}});
                       });
                   },
                   "\"reviewItems[0].surveyNumber\" is missing"},
        BadFileRow{"CropRectOfThreeNumbers",
                   [] {
                       return edited([](json& j) {
                           j["reviewItems"] =
                               json::array({json{{"surveyNumber", 1},
                                                 {"questionNumber", 2},
                                                 {"cropRect", json::array({1, 2, 3})}}});
                       });
                   },
                   "\"reviewItems[0].cropRect\""},
        BadFileRow{"AnswerSourceNeitherReviewedNorEdited",
                   [] {
                       return edited([](json& j) {
                           j["answerSources"] = json::array({json{
                               {"surveyNumber", 1}, {"questionNumber", 2}, {"source", "guessed"}}});
                       });
                   },
                   "\"answerSources[0].source\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProjectFileReading, LaterVersionsUnknownKeysAndNullCsvPathAreAccepted)
{
    QTemporaryDir dir;
    const std::function<void(json&)> edits[] = {
        [](json& j) { j["version"] = 2; },
        [](json& j) { j["version"] = 0; },
        [](json& j) {
            j["blankPages"] = json::array({1, 2});
            j["pages"][0]["rotation"] = 90;
        },
        [](json& j) { j["csvPath"] = nullptr; },
    };
    for (const auto& edit : edits) {
        const SurveyProjectDocument read = readProjectFile(writeFile(dir, edited(edit)));
        SurveyProjectDocument expected = fixtures::sampleDocument();
        expected.version = read.version;
        expected.csvPath = read.csvPath;
        EXPECT_EQ(read, expected);
    }
    // A null path means no connected CSV.
    EXPECT_FALSE(readProjectFile(writeFile(dir, edited(edits[3]))).csvPath.has_value());
}

TEST(ProjectFileReading, UnescapedSlashesReadTheSame)
{
    QTemporaryDir dir;
    QByteArray bytes = encodeProjectDocument(fixtures::sampleDocument());
    bytes.replace("\\/", "/");
    EXPECT_EQ(readProjectFile(writeFile(dir, bytes)), fixtures::sampleDocument());
}

TEST(ProjectFileReading, MissingFileAndFolderAreRefusedByName)
{
    QTemporaryDir dir;
    EXPECT_THROW(readProjectFile(dir.filePath("absent.twk")), ProjectFileError);
    EXPECT_NE(readFailure(dir.path()).find("folder"), std::string::npos);
}

TEST(ProjectFileReading, HugeFileIsRefusedWithoutReadingIt)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("video.twk"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(300LL * 1024 * 1024)); // sparse, costs no disk
    file.close();
    EXPECT_NE(readFailure(file.fileName()).find("too large"), std::string::npos);
}

TEST(ProjectFileWriting, CreatesFoldersAndRoundTripsThroughDisk)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new folder/ünï/Survey.twk"));
    writeProjectFile(fixtures::sampleDocument(), path);
    const SurveyProjectDocument read = readProjectFile(path);
    EXPECT_EQ(read, fixtures::sampleDocument());
    // Page images that are gone keep their entries.
    const QString firstImage = fixtures::sampleDocument().pages.first().filePath;
    ASSERT_FALSE(QFile::exists(firstImage));
    EXPECT_EQ(read.scanPages().first().fileURL.toLocalFile(), firstImage);
    EXPECT_EQ(QDir(dir.filePath("new folder/ünï")).entryList(QDir::Files),
              QStringList{"Survey.twk"});
}

TEST(ProjectFileWriting, FailedWriteLeavesTheEarlierFileAndSaysWhere)
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath("plain file");
    writeProjectFile(fixtures::sampleDocument(), blocker);
    // A folder cannot be made inside a plain file.
    try {
        writeProjectFile(fixtures::sampleDocument(), blocker + "/inside/Survey.twk");
        FAIL();
    } catch (const FileError& error) {
        EXPECT_TRUE(error.description().contains("plain file")) << error.what();
    }
    EXPECT_EQ(readProjectFile(blocker), fixtures::sampleDocument());

    // Replacing a folder with a file is refused rather than half done.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.twk"));
    EXPECT_THROW(writeProjectFile(fixtures::sampleDocument(), dir.filePath("taken.twk")),
                 FileError);
}
