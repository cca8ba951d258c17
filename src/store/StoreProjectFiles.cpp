// Projects and the CSV file: new, open, save, connect, append, rewrite, export.
#include "SurveyScanStore.h"

#include "files/CSVExporter.h"
#include "files/FileError.h"
#include "files/SurveyProjectDocument.h"

#include <QDateTime>
#include <QFileInfo>
#include <QUndoStack>

namespace {
QString fileName(const QUrl& url)
{
    return QFileInfo(url.toLocalFile()).fileName();
}
} // namespace

QString SurveyScanStore::scanRunningText()
{
    return QStringLiteral("Wait for the running scan to finish first.");
}

bool SurveyScanStore::reviewWorkWouldBeLost() const
{
    return !m_reviewItems.isEmpty() && (!m_projectURL || m_isProjectDirty);
}

bool SurveyScanStore::confirmDiscard(DiscardReason reason)
{
    if (!m_isProjectDirty && !reviewWorkWouldBeLost())
        return true;
    return m_filePanels && m_filePanels->confirmDiscardChanges(reason);
}

void SurveyScanStore::newProject()
{
    // A batch still running would finish into the new project.
    if (isBusy()) {
        setErrorMessage(scanRunningText());
        return;
    }
    if (!confirmDiscard(DiscardReason::newProject))
        return;
    setProjectURL(std::nullopt);
    setCSVURL(std::nullopt);
    setConfiguration(SurveyConfiguration());
    setPages({});
    setResponses({});
    setReviewItems({});
    setAnswerSources({});
    setDetectedQuestions({});
    setSelectedSurveyNumber(std::nullopt);
    setProjectDirty(false);
    setStage(ScanStage::idle);
    setStatusMessage(QStringLiteral("New project ready."));
    clearErrorMessage();
    resetAIStatus();
    m_undoStack->clear();
}

void SurveyScanStore::openProject()
{
    if (isBusy()) {
        setErrorMessage(scanRunningText());
        return;
    }
    if (!confirmDiscard(DiscardReason::openProject))
        return;
    const auto path = m_filePanels ? m_filePanels->chooseFile(projectOpenPanel()) : std::nullopt;
    if (!path)
        return;
    openProject(*path);
}

void SurveyScanStore::openProject(const QString& path)
{
    if (isBusy()) {
        setErrorMessage(scanRunningText());
        return;
    }
    SurveyProjectDocument document;
    try {
        document = readProjectFile(path);
    } catch (const FileError& error) {
        setErrorMessage(error.description());
        setStatusMessage(QStringLiteral("Could not open project."));
        return;
    }
    const QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    setProjectURL(url);
    setCSVURL(document.csvPath ? std::optional<QUrl>(QUrl::fromLocalFile(*document.csvPath))
                               : std::nullopt);
    setConfiguration(document.configuration);
    setPages(document.scanPages());
    setResponses(document.responses);
    setDetectedQuestions(document.questions);
    setReviewItems(document.reviewItems);
    setAnswerSources(document.answerSources);
    setSelectedSurveyNumber(document.responses.isEmpty()
                                ? std::nullopt
                                : std::optional<qint64>(document.responses.first().surveyNumber));
    setProjectDirty(false);
    setStage(!document.reviewItems.isEmpty() ? ScanStage::reviewing
             : document.responses.isEmpty()  ? ScanStage::idle
                                             : ScanStage::finished);
    setStatusMessage(QStringLiteral("Opened %1.").arg(fileName(url)));
    clearErrorMessage();
    resetAIStatus();
    m_undoStack->clear();
}

void SurveyScanStore::saveProject()
{
    if (m_projectURL)
        writeProject(*m_projectURL, true);
    else
        saveProjectAs();
}

void SurveyScanStore::saveProjectAs()
{
    const auto path = m_filePanels
                          ? m_filePanels->chooseFile(projectSavePanel(m_configuration.title))
                          : std::nullopt;
    if (!path)
        return;
    const QUrl url = QUrl::fromLocalFile(QFileInfo(*path).absoluteFilePath());
    setProjectURL(url);
    writeProject(url, true);
}

bool SurveyScanStore::writeProject(const QUrl& url, bool updateStatus)
{
    const std::optional<QString> csvPath =
        m_csvURL ? std::optional<QString>(m_csvURL->toLocalFile()) : std::nullopt;
    SurveyProjectDocument document =
        SurveyProjectDocument::fromState(m_configuration, m_pages, m_responses, m_detectedQuestions,
                                         csvPath, QDateTime::currentDateTimeUtc());
    document.reviewItems = m_reviewItems;
    document.answerSources = m_answerSources;
    try {
        writeProjectFile(document, url.toLocalFile());
    } catch (const FileError& error) {
        setErrorMessage(error.description());
        setStatusMessage(QStringLiteral("Could not save project."));
        return false;
    }
    setProjectDirty(false);
    if (updateStatus)
        setStatusMessage(QStringLiteral("Saved %1.").arg(fileName(url)));
    return true;
}

void SurveyScanStore::chooseCSVFile()
{
    const auto path = m_filePanels ? m_filePanels->chooseFile(csvSavePanel(
                                         m_configuration.title, QStringLiteral("Connect CSV")))
                                   : std::nullopt;
    if (!path)
        return;
    const QUrl url = QUrl::fromLocalFile(QFileInfo(*path).absoluteFilePath());
    // The CSV connected before stays connected until the new one is written.
    try {
        writeCSVFile(
            CSVExporter::makeCSV(m_configuration, m_pages, m_responses, m_detectedQuestions, true),
            url.toLocalFile(), CSVFileEnding::lineFeed);
    } catch (const FileError& error) {
        setErrorMessage(error.description());
        setStatusMessage(QStringLiteral("Could not create CSV."));
        return;
    }
    setCSVURL(url);
    setProjectDirty(true);
    setStatusMessage(QStringLiteral("CSV connected at %1.").arg(fileName(url)));
    if (m_projectURL)
        writeProject(*m_projectURL, false);
}

void SurveyScanStore::appendBatchToCSV(const QList<ScanPage>& pages,
                                       const QList<SurveyResponse>& responses)
{
    if (!m_csvURL)
        return;
    const QString path = m_csvURL->toLocalFile();
    try {
        // A connected file that has gone is written again whole: the batch's
        // rows alone would lose every survey read before.
        if (QFileInfo::exists(path))
            CSVExporter::appendCSV(m_configuration, pages, responses, m_detectedQuestions, path);
        else
            writeCSVFile(CSVExporter::makeCSV(m_configuration, m_pages, m_responses,
                                              m_detectedQuestions, true),
                         path, CSVFileEnding::lineFeed);
    } catch (const FileError& error) {
        setErrorMessage(error.description());
        setStatusMessage(QStringLiteral("Scanned, but could not update CSV."));
        return;
    }
    setStatusMessage(QStringLiteral("CSV updated at %1.").arg(fileName(*m_csvURL)));
}

void SurveyScanStore::rewriteCSVIfConnected()
{
    if (!m_csvURL)
        return;
    try {
        writeCSVFile(
            CSVExporter::makeCSV(m_configuration, m_pages, m_responses, m_detectedQuestions, true),
            m_csvURL->toLocalFile(), CSVFileEnding::lineFeed);
    } catch (const FileError& error) {
        setErrorMessage(error.description());
    }
}

void SurveyScanStore::exportCSV()
{
    if (m_responses.isEmpty())
        return;
    const auto path = m_filePanels ? m_filePanels->chooseFile(csvSavePanel(
                                         m_configuration.title, QStringLiteral("Export CSV")))
                                   : std::nullopt;
    if (!path)
        return;
    const QUrl url = QUrl::fromLocalFile(QFileInfo(*path).absoluteFilePath());
    try {
        writeCSVFile(
            CSVExporter::makeCSV(m_configuration, m_pages, m_responses, m_detectedQuestions, true),
            url.toLocalFile(), CSVFileEnding::none);
    } catch (const FileError& error) {
        setErrorMessage(error.description());
        return;
    }
    setStatusMessage(QStringLiteral("CSV exported to %1.").arg(fileName(url)));
}
