#pragma once

#include "model/ScanPage.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyQuestion.h"
#include "model/SurveyResponse.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Builds the result table: one row per page image with the answers of the
// survey that page belongs to. UTF-8, comma separated, line-feed rows.
class CSVExporter
{
public:
    // The whole table, without a line feed after the last row.
    static QString makeCSV(const SurveyConfiguration& configuration, const QList<ScanPage>& pages,
                           const QList<SurveyResponse>& responses,
                           const QList<SurveyQuestion>& questions, bool includeHeader);

    // Appends the rows of one batch, separated from earlier rows by an empty
    // line. A missing file is created atomically (folders too); a header is
    // written only into a new or empty file. Throws CSVFileError; a failed
    // append cuts the file back to its earlier length, so no half row stays.
    static void appendCSV(const SurveyConfiguration& configuration, const QList<ScanPage>& pages,
                          const QList<SurveyResponse>& responses,
                          const QList<SurveyQuestion>& questions, const QString& filePath);

    // The number of answer columns: the largest of the configured question
    // count, the longest answer list and the highest question number.
    static qint64 questionOutputCount(const SurveyConfiguration& configuration,
                                      const QList<SurveyResponse>& responses,
                                      const QList<SurveyQuestion>& questions);
    // "Q7" or "Q7: Favourite colour", for 1 ... count.
    static QStringList questionHeaders(const QList<SurveyQuestion>& questions, qint64 count);
    // Trimmed answers; blank or missing ones are "N/A". No response gives all "N/A".
    static QStringList answerValues(const SurveyResponse* response, qint64 count);

    static QString escapeField(const QString& field);
    // ISO 8601 in UTC with whole seconds and "Z": 2026-03-01T14:05:09Z.
    static QString timestampText(const QDateTime& date);
};

// How a whole-file CSV write ends: connecting and rewriting end with a line
// feed so later batches append cleanly; a one-off export does not.
enum class CSVFileEnding
{
    lineFeed,
    none
};

// Writes a whole table atomically as UTF-8 (see writeFileAtomically),
// creating missing folders and replacing any file that is there. Throws
// CSVFileError.
void writeCSVFile(const QString& text, const QString& filePath, CSVFileEnding ending);
