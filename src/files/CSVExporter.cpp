#include "CSVExporter.h"

#include "AtomicFile.h"
#include "FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace {

const QString notAnswered = QStringLiteral("N/A");

const QStringList fixedHeaders{QStringLiteral("survey_id"), QStringLiteral("side"),
                               QStringLiteral("page_number"), QStringLiteral("captured_at"),
                               QStringLiteral("scan_file")};

QString joinRow(const QStringList& fields)
{
    QStringList escaped;
    escaped.reserve(fields.size());
    for (const auto& field : fields)
        escaped.append(CSVExporter::escapeField(field));
    return escaped.join(QLatin1Char(','));
}

} // namespace

qint64 CSVExporter::questionOutputCount(const SurveyConfiguration& configuration,
                                        const QList<SurveyResponse>& responses,
                                        const QList<SurveyQuestion>& questions)
{
    qint64 answers = configuration.questionCount;
    if (!responses.isEmpty()) {
        answers = 0;
        for (const auto& response : responses)
            answers = std::max<qint64>(answers, response.answers.size());
    }
    qint64 highest = configuration.questionCount;
    if (!questions.isEmpty()) {
        highest = questions.first().number;
        for (const auto& question : questions)
            highest = std::max(highest, question.number);
    }
    return std::max({configuration.questionCount, answers, highest});
}

QStringList CSVExporter::questionHeaders(const QList<SurveyQuestion>& questions, qint64 count)
{
    // Numbers are unique in the store; should one repeat, the later question wins.
    QHash<qint64, QString> textByNumber;
    for (const auto& question : questions)
        textByNumber.insert(question.number, question.text);
    QStringList headers;
    for (qint64 n = 1; n <= count; ++n) {
        const QString text = textByNumber.value(n).trimmed();
        headers.append(text.isEmpty() ? QStringLiteral("Q%1").arg(n)
                                      : QStringLiteral("Q%1: %2").arg(n).arg(text));
    }
    return headers;
}

QStringList CSVExporter::answerValues(const SurveyResponse* response, qint64 count)
{
    QStringList values;
    for (qint64 i = 0; i < count; ++i) {
        const QString answer = response && i < response->answers.size()
                                   ? response->answers.at(i).trimmed()
                                   : QString();
        values.append(answer.isEmpty() ? notAnswered : answer);
    }
    return values;
}

QString CSVExporter::escapeField(const QString& field)
{
    // A carriage return alone does not call for quotes.
    const bool needsQuotes = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
                             field.contains(QLatin1Char('\n'));
    if (!needsQuotes)
        return field;
    QString quoted = field;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CSVExporter::timestampText(const QDateTime& date)
{
    return date.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss'Z'"));
}

QString CSVExporter::makeCSV(const SurveyConfiguration& configuration, const QList<ScanPage>& pages,
                             const QList<SurveyResponse>& responses,
                             const QList<SurveyQuestion>& questions, bool includeHeader)
{
    const qint64 count = questionOutputCount(configuration, responses, questions);
    QStringList rows;
    rows.reserve(pages.size() + 1);
    if (includeHeader)
        rows.append(joinRow(fixedHeaders + questionHeaders(questions, count)));

    // Survey numbers are unique in the store; should one repeat, the later response wins.
    QHash<qint64, const SurveyResponse*> responseBySurvey;
    for (const auto& response : responses)
        responseBySurvey.insert(response.surveyNumber, &response);

    QList<ScanPage> ordered = pages;
    std::stable_sort(ordered.begin(), ordered.end(), [](const ScanPage& a, const ScanPage& b) {
        if (a.surveyNumber != b.surveyNumber)
            return a.surveyNumber < b.surveyNumber;
        return a.pageNumber < b.pageNumber;
    });
    for (const auto& page : ordered) {
        QStringList fields{QString::number(page.surveyNumber), rawValue(page.side),
                           QString::number(page.pageNumber), timestampText(page.capturedAt),
                           page.fileURL.toLocalFile()};
        fields += answerValues(responseBySurvey.value(page.surveyNumber, nullptr), count);
        rows.append(joinRow(fields));
    }
    return rows.join(QLatin1Char('\n'));
}

void CSVExporter::appendCSV(const SurveyConfiguration& configuration, const QList<ScanPage>& pages,
                            const QList<SurveyResponse>& responses,
                            const QList<SurveyQuestion>& questions, const QString& filePath)
{
    const QFileInfo info(filePath);
    const bool exists = info.exists();
    const bool hasContent = exists && info.size() > 0;
    const QString text = makeCSV(configuration, pages, responses, questions, !hasContent);
    if (text.isEmpty())
        return;
    if (!exists) {
        writeCSVFile(text, filePath, CSVFileEnding::lineFeed);
        return;
    }

    const QString shownPath = QDir::toNativeSeparators(filePath);
    // Unbuffered, so that a full disk shows at the write that meets it and
    // nothing is left in a buffer to reach the file after the cut below.
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        throw CSVFileError(QStringLiteral("Could not open the CSV file \"%1\" to add rows: %2.")
                               .arg(shownPath, file.errorString()));
    QByteArray bytes;
    if (hasContent)
        bytes.append('\n');
    bytes.append(text.toUtf8());
    bytes.append('\n');
    const bool regular = !isSpecialFile(filePath);
    const qint64 earlierSize = regular ? file.size() : 0;
    const qint64 written = file.write(bytes);
    if (written == bytes.size() && (!regular || file.size() == earlierSize + bytes.size()))
        return;
    const QString reason =
        written < 0 || file.error() != QFileDevice::NoError
            ? file.errorString()
            : QStringLiteral("only %1 of %2 bytes could be written; the disk may be full")
                  .arg(qMax<qint64>(0, written))
                  .arg(bytes.size());
    // Half a row would join the next batch's first row; the file goes back
    // to the rows it held before.
    if (regular)
        file.resize(earlierSize);
    throw CSVFileError(QStringLiteral("Could not add rows to the CSV file \"%1\": %2. The file "
                                      "keeps the rows it held before.")
                           .arg(shownPath, reason));
}

void writeCSVFile(const QString& text, const QString& filePath, CSVFileEnding ending)
{
    QByteArray bytes = text.toUtf8();
    if (ending == CSVFileEnding::lineFeed)
        bytes.append('\n');
    try {
        writeFileAtomically(filePath, bytes);
    } catch (const CSVFileError&) {
        throw;
    } catch (const FileError& error) {
        throw CSVFileError(error.description());
    }
}
