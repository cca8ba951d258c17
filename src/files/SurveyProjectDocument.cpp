#include "SurveyProjectDocument.h"

#include "AtomicFile.h"
#include "FileError.h"
#include "PrettyJson.h"
#include "model/SurveyJson.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <nlohmann/json.hpp>

using nlohmann::json;

SurveyProjectDocument SurveyProjectDocument::fromState(const SurveyConfiguration& configuration,
                                                       const QList<ScanPage>& pages,
                                                       const QList<SurveyResponse>& responses,
                                                       const QList<SurveyQuestion>& questions,
                                                       const std::optional<QString>& csvPath,
                                                       const QDateTime& savedAt)
{
    SurveyProjectDocument document;
    document.version = 1;
    document.projectName = configuration.title;
    document.savedAt = savedAt;
    document.csvPath = csvPath;
    document.configuration = configuration;
    for (const auto& page : pages)
        document.pages.append(SavedScanPage::fromPage(page));
    document.responses = responses;
    document.questions = questions;
    return document;
}

QList<ScanPage> SurveyProjectDocument::scanPages() const
{
    QList<ScanPage> result;
    result.reserve(pages.size());
    for (const auto& page : pages)
        result.append(page.toPage());
    return result;
}

QByteArray encodeProjectDocument(const SurveyProjectDocument& document)
{
    json pages = json::array();
    for (const auto& page : document.pages)
        pages.push_back(json{
            {"surveyNumber", page.surveyNumber},
            {"side", rawValue(page.side).toStdString()},
            {"pageNumber", page.pageNumber},
            {"capturedAt", surveyjson::secondsSinceReferenceDate(page.capturedAt)},
            {"filePath", page.filePath.toStdString()},
        });
    json responses = json::array();
    for (const auto& response : document.responses)
        responses.push_back(surveyjson::toJson(response));
    json questions = json::array();
    for (const auto& question : document.questions)
        questions.push_back(surveyjson::toJson(question));

    json root{
        {"version", document.version},
        {"projectName", document.projectName.toStdString()},
        {"savedAt", surveyjson::secondsSinceReferenceDate(document.savedAt)},
        {"configuration", surveyjson::toJson(document.configuration)},
        {"pages", std::move(pages)},
        {"responses", std::move(responses)},
        {"questions", std::move(questions)},
    };
    if (!document.reviewItems.isEmpty()) {
        json items = json::array();
        for (const auto& item : document.reviewItems)
            items.push_back(surveyjson::toJson(item));
        root["reviewItems"] = std::move(items);
    }
    if (!document.answerSources.isEmpty()) {
        json sources = json::array();
        for (const auto& entry : document.answerSources)
            sources.push_back(surveyjson::toJson(entry));
        root["answerSources"] = std::move(sources);
    }
    // No connected CSV leaves the key out rather than writing null.
    if (document.csvPath)
        root["csvPath"] = document.csvPath->toStdString();
    return prettyJson(root);
}

SurveyProjectDocument readProjectFile(const QString& filePath)
{
    const QString shownPath = QDir::toNativeSeparators(filePath);
    const QFileInfo info(filePath);
    QFile file(filePath);
    if (info.isDir())
        throw ProjectFileError(
            QStringLiteral("\"%1\" is a folder, not a project file.").arg(shownPath));
    // Far beyond any real project; refusing it keeps a wrongly chosen video
    // or disk image from exhausting memory.
    constexpr qint64 largestProjectBytes = 256LL * 1024 * 1024;
    if (info.size() > largestProjectBytes)
        throw ProjectFileError(QStringLiteral("\"%1\" is too large (%2 MB) to be a project file.")
                                   .arg(info.fileName())
                                   .arg(info.size() / (1024 * 1024)));
    if (!file.open(QIODevice::ReadOnly))
        throw ProjectFileError(
            QStringLiteral("Could not read \"%1\": %2.").arg(shownPath, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ProjectFileError(
            QStringLiteral("Could not read \"%1\": %2.").arg(shownPath, file.errorString()));
    try {
        return decodeProjectDocument(bytes);
    } catch (const ProjectFileError& error) {
        throw ProjectFileError(QStringLiteral("\"%1\" is not a usable project file. %2")
                                   .arg(info.fileName(), error.description()));
    }
}

void writeProjectFile(const SurveyProjectDocument& document, const QString& filePath)
{
    writeFileAtomically(filePath, encodeProjectDocument(document));
}
