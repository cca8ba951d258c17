#pragma once

#include "SavedScanPage.h"
#include "model/AnswerSource.h"
#include "model/QuestionReviewItem.h"
#include "model/ScanPage.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyQuestion.h"
#include "model/SurveyResponse.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// One survey run as kept in a project file (.twk). Page images stay where
// they are; the document only records their paths. Answers still waiting for
// review are kept under "reviewItems", the cells a person set under
// "answerSources"; each is written only when there are any.
struct SurveyProjectDocument
{
    qint64 version = 1;
    QString projectName;
    QDateTime savedAt;
    std::optional<QString> csvPath;
    SurveyConfiguration configuration;
    QList<SavedScanPage> pages;
    QList<SurveyResponse> responses;
    QList<SurveyQuestion> questions;
    QList<QuestionReviewItem> reviewItems; // read back with fresh ids
    AnswerSources answerSources;           // the cells a person set, under "answerSources"

    // The document for the store's current state: version 1, named after the
    // survey title, pages converted one by one.
    static SurveyProjectDocument
    fromState(const SurveyConfiguration& configuration, const QList<ScanPage>& pages,
              const QList<SurveyResponse>& responses, const QList<SurveyQuestion>& questions,
              const std::optional<QString>& csvPath, const QDateTime& savedAt);

    // The stored pages as pages with fresh identifiers.
    QList<ScanPage> scanPages() const;

    bool operator==(const SurveyProjectDocument&) const = default;
};

// Sorted keys, pretty printed, slashes escaped, dates as seconds since
// 2001-01-01 UTC. Throws FileError only for a value JSON cannot hold (a
// number that is not finite).
QByteArray encodeProjectDocument(const SurveyProjectDocument& document);

// Accepts any version number and ignores unknown keys. Throws
// ProjectFileError naming what is wrong; nothing is half-read.
SurveyProjectDocument decodeProjectDocument(const QByteArray& bytes);

// Reads and decodes a whole project file. Throws ProjectFileError.
SurveyProjectDocument readProjectFile(const QString& filePath);

// Encodes and writes atomically, creating missing folders. Throws FileError;
// a failed write leaves any earlier file as it was.
void writeProjectFile(const SurveyProjectDocument& document, const QString& filePath);
