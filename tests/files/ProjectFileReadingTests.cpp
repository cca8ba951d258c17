#include "ProjectFixtures.h"
#include "ScratchFileSystem.h"
#include "TestSupport.h"
#include "files/FileError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

const QByteArray sample = encodeProjectDocument(fixtures::sampleDocument());

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
        try {
            readProjectFile(file);
        } catch (const ProjectFileError& error) {
            return error.description().toStdString();
        }
        return "the file was accepted";
    }
};

} // namespace

TEST_F(ProjectFileReading, BadFilesAreRefusedNamingTheFileAndWhatIsWrong)
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
}

TEST_F(ProjectFileReading, LaterVersionsUnknownKeysNullCsvPathAndPlainSlashesAreAccepted)
{
    for (const QByteArray& bytes :
         {edited("/version", 2), edited("/version", 0), edited("/pages/0/rotation", 90),
          edited("/blankPages", json::array({1, 2})), edited("/csvPath", nullptr)}) {
        SurveyProjectDocument expected = fixtures::sampleDocument();
        const SurveyProjectDocument document = read(bytes);
        expected.version = document.version;
        expected.csvPath = document.csvPath;
        EXPECT_EQ(document, expected);
    }
    EXPECT_FALSE(read(edited("/csvPath", nullptr)).csvPath.has_value());
    EXPECT_EQ(read(QByteArray(sample).replace("\\/", "/")), fixtures::sampleDocument());
}

TEST(ProjectFileWriting, AFailedReplacementKeepsTheEarlierFileAndSaysWhere)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Survey.twk");
    writeProjectFile(fixtures::sampleDocument(), path);
    SurveyProjectDocument longer = fixtures::sampleDocument();
    longer.responses.append({3, fixtures::utc(2026, 3, 2, 9, 0, 0), QStringList(50, "Maths")});
    std::string failure = "the write was reported as done";
    {
        // The new text cannot grow past the old file's length, as on a full disk.
        testsupport::FileSizeCap cap(QFileInfo(path).size());
        try {
            writeProjectFile(longer, path);
        } catch (const FileError& error) {
            failure = error.description().toStdString();
        }
    }
    EXPECT_TRUE(failure.starts_with("Could not write \"" + path.toStdString() + "\": ")) << failure;
    EXPECT_EQ(readProjectFile(path), fixtures::sampleDocument());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Survey.twk"});

    // Replacing a folder with a file is refused rather than half done.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.twk"));
    try {
        writeProjectFile(fixtures::sampleDocument(), dir.filePath("taken.twk"));
        ADD_FAILURE() << "a folder was replaced";
    } catch (const FileError& error) {
        EXPECT_TRUE(error.description().contains("a folder of that name is already there"));
    }
}
