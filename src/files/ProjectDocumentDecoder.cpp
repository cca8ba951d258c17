#include "FileError.h"
#include "SurveyProjectDocument.h"
#include "model/SurveyJson.h"

#include <QStringDecoder>
#include <nlohmann/json.hpp>

using nlohmann::json;
using namespace surveyjson;

namespace {

// Refuses input that is plainly not text before the JSON parser sees it, so
// the operator hears "binary" rather than a puzzling syntax error.
void requireText(const QByteArray& bytes)
{
    if (bytes.trimmed().isEmpty())
        throw ProjectFileError(
            QStringLiteral("The file is empty; a project file holds a JSON object."));
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        throw ProjectFileError(QStringLiteral("The file holds binary data (a zero byte at "
                                              "offset %1), not the text of a project file.")
                                   .arg(zero));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder(bytes);
    Q_UNUSED(decoded);
    if (decoder.hasError())
        throw ProjectFileError(QStringLiteral(
            "The file is not UTF-8 text; it looks like binary data, not a project file."));
}

// nlohmann's text after its "[json.exception...] " prefix.
QString detailOf(const json::exception& error)
{
    const std::string message = error.what();
    const auto start = message.find("] ");
    return QString::fromStdString(start == std::string::npos ? message : message.substr(start + 2));
}

json parse(const QByteArray& bytes)
{
    try {
        return json::parse(bytes.cbegin(), bytes.cend());
    } catch (const json::out_of_range& error) {
        // A number beyond what a double holds ("1e400").
        throw ProjectFileError(
            QStringLiteral("The file holds a number too large to read (%1).").arg(detailOf(error)));
    } catch (const json::parse_error& error) {
        const std::string message = error.what();
        // The parser stops at the end of the bytes when the text breaks off
        // mid-way, whether inside a string, a literal or between members.
        if (error.byte >= std::size_t(bytes.size()) ||
            message.find("unexpected end of input") != std::string::npos)
            throw ProjectFileError(QStringLiteral(
                "The file ends in the middle of its JSON text; it was probably cut off "
                "while being written or copied."));
        // nlohmann's text names line, column and the token read last.
        throw ProjectFileError(
            QStringLiteral("The file is not valid JSON (%1).").arg(detailOf(error)));
    } catch (const json::exception& error) {
        throw ProjectFileError(
            QStringLiteral("The file is not valid JSON (%1).").arg(detailOf(error)));
    }
}

SavedScanPage readPage(const json& value, const QString& path)
{
    requireObject(value, path);
    SavedScanPage page;
    page.surveyNumber =
        readInteger(requiredMember(value, "surveyNumber", path), childPath(path, "surveyNumber"));
    page.side = readSide(requiredMember(value, "side", path), childPath(path, "side"));
    page.pageNumber =
        readInteger(requiredMember(value, "pageNumber", path), childPath(path, "pageNumber"));
    page.capturedAt =
        readDate(requiredMember(value, "capturedAt", path), childPath(path, "capturedAt"));
    page.filePath =
        readString(requiredMember(value, "filePath", path), childPath(path, "filePath"));
    return page;
}

template <typename Reader> auto readList(const json& root, const char* key, Reader readOne)
{
    const QString path = QString::fromUtf8(key);
    const json& list = requiredMember(root, key, QString());
    requireArray(list, path);
    QList<decltype(readOne(list, path))> result;
    result.reserve(qsizetype(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i)
        result.append(readOne(list[i], indexPath(path, i)));
    return result;
}

SurveyProjectDocument readDocument(const json& root)
{
    if (!root.is_object())
        throw ProjectFileError(
            QStringLiteral("The file holds JSON, but not a project: its top level is not an "
                           "object."));
    SurveyProjectDocument document;
    // Any version is read by the rules of version 1.
    document.version = readInteger(requiredMember(root, "version", {}), QStringLiteral("version"));
    document.projectName =
        readString(requiredMember(root, "projectName", {}), QStringLiteral("projectName"));
    document.savedAt = readDate(requiredMember(root, "savedAt", {}), QStringLiteral("savedAt"));
    if (const json* csvPath = optionalMember(root, "csvPath"))
        document.csvPath = readString(*csvPath, QStringLiteral("csvPath"));
    document.configuration = readConfiguration(requiredMember(root, "configuration", {}),
                                               QStringLiteral("configuration"));
    document.pages = readList(root, "pages", readPage);
    document.responses = readList(root, "responses", [](const json& value, const QString& path) {
        return readResponse(value, path);
    });
    document.questions = readList(root, "questions", [](const json& value, const QString& path) {
        return readQuestion(value, path);
    });
    if (optionalMember(root, "reviewItems"))
        document.reviewItems =
            readList(root, "reviewItems", [](const json& value, const QString& path) {
                return readReviewItem(value, path);
            });
    if (optionalMember(root, "answerSources")) {
        // Kept sorted with one entry per cell, whatever order the file has.
        const auto entries =
            readList(root, "answerSources", [](const json& value, const QString& path) {
                return readAnswerSource(value, path);
            });
        for (const AnswerSourceEntry& entry : entries)
            document.answerSources = withSource(document.answerSources, entry);
    }
    return document;
}

} // namespace

SurveyProjectDocument decodeProjectDocument(const QByteArray& bytes)
{
    requireText(bytes);
    const json root = parse(bytes);
    try {
        return readDocument(root);
    } catch (const SurveyJsonError& error) {
        throw ProjectFileError(error.description());
    } catch (const json::exception& error) {
        // The readers check every type first; should one slip, the file is
        // still refused by name rather than ending the program.
        throw ProjectFileError(
            QStringLiteral("The file is not a usable project (%1).").arg(detailOf(error)));
    }
}
