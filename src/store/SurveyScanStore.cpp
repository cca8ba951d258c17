#include "SurveyScanStore.h"

#include "SurveyMerging.h"

#include <QSet>
#include <QUndoStack>

SurveyScanStore::SurveyScanStore(ScannerService* scannerService,
                                 SurveyExtractionService* extractionService,
                                 AISettingsStore* aiSettings,
                                 AIAnswerAnalysisService* aiAnswerService, FilePanels* filePanels,
                                 QObject* parent)
    : QObject(parent), m_scannerService(scannerService), m_extractionService(extractionService),
      m_aiSettings(aiSettings), m_aiAnswerService(aiAnswerService), m_filePanels(filePanels),
      m_statusMessage(initialStatusMessage()),
      m_lastAIStatusMessage(QStringLiteral("AI has not run this session.")),
      m_undoStack(new QUndoStack(this))
{
    updateDerivedValues();
}

SurveyScanStore::~SurveyScanStore() = default;

QString SurveyScanStore::initialStatusMessage()
{
    return QStringLiteral("Connect a scanner, configure the survey, then start a batch.");
}

// --- Guarded setters ------------------------------------------------------

void SurveyScanStore::setScanners(const QList<ScannerDevice>& scanners)
{
    if (m_scanners == scanners)
        return;
    m_scanners = scanners;
    Q_EMIT scannersChanged(m_scanners);
    updateDerivedValues();
}

void SurveyScanStore::setSelectedScannerID(const std::optional<QString>& id)
{
    if (m_selectedScannerID == id)
        return;
    m_selectedScannerID = id;
    Q_EMIT selectedScannerIDChanged(m_selectedScannerID);
    updateDerivedValues();
}

void SurveyScanStore::setConfiguration(const SurveyConfiguration& configuration)
{
    if (m_configuration == configuration)
        return;
    m_configuration = configuration;
    Q_EMIT configurationChanged(m_configuration);
    setProjectDirty(true);
    updateDerivedValues();
}

void SurveyScanStore::setPages(const QList<ScanPage>& pages)
{
    if (m_pages == pages)
        return;
    m_pages = pages;
    Q_EMIT pagesChanged(m_pages);
}

void SurveyScanStore::setResponses(const QList<SurveyResponse>& responses)
{
    if (m_responses == responses)
        return;
    m_responses = responses;
    Q_EMIT responsesChanged(m_responses);
    updateDerivedValues();
}

void SurveyScanStore::setReviewItems(const QList<QuestionReviewItem>& items)
{
    if (m_reviewItems == items)
        return;
    m_reviewItems = items;
    Q_EMIT reviewItemsChanged(m_reviewItems);
}

void SurveyScanStore::setAnswerSources(const AnswerSources& sources)
{
    if (m_answerSources == sources)
        return;
    m_answerSources = sources;
    Q_EMIT answerSourcesChanged(m_answerSources);
}

void SurveyScanStore::setDetectedQuestions(const QList<SurveyQuestion>& questions)
{
    if (m_detectedQuestions == questions)
        return;
    m_detectedQuestions = questions;
    Q_EMIT detectedQuestionsChanged(m_detectedQuestions);
}

void SurveyScanStore::setSelectedSurveyNumber(const std::optional<qint64>& number)
{
    if (m_selectedSurveyNumber == number)
        return;
    m_selectedSurveyNumber = number;
    Q_EMIT selectedSurveyNumberChanged(m_selectedSurveyNumber);
}

void SurveyScanStore::setProjectURL(const std::optional<QUrl>& url)
{
    if (m_projectURL == url)
        return;
    m_projectURL = url;
    Q_EMIT projectURLChanged(m_projectURL);
}

void SurveyScanStore::setCSVURL(const std::optional<QUrl>& url)
{
    if (m_csvURL == url)
        return;
    m_csvURL = url;
    Q_EMIT csvURLChanged(m_csvURL);
}

void SurveyScanStore::setProjectDirty(bool dirty)
{
    if (m_isProjectDirty == dirty)
        return;
    m_isProjectDirty = dirty;
    Q_EMIT isProjectDirtyChanged(m_isProjectDirty);
}

void SurveyScanStore::setStage(ScanStage stage)
{
    if (m_stage == stage)
        return;
    m_stage = stage;
    Q_EMIT stageChanged(m_stage);
    updateDerivedValues();
}

void SurveyScanStore::setStatusMessage(const QString& message)
{
    if (m_statusMessage == message)
        return;
    m_statusMessage = message;
    Q_EMIT statusMessageChanged(m_statusMessage);
}

void SurveyScanStore::setErrorMessage(const std::optional<QString>& message)
{
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged(m_errorMessage);
}

void SurveyScanStore::clearErrorMessage()
{
    setErrorMessage(std::nullopt);
}

void SurveyScanStore::setLastAIStatusMessage(const QString& message)
{
    if (m_lastAIStatusMessage == message)
        return;
    m_lastAIStatusMessage = message;
    Q_EMIT lastAIStatusMessageChanged(m_lastAIStatusMessage);
}

void SurveyScanStore::setLastAIAttemptCount(qint64 count)
{
    if (m_lastAIAttemptCount == count)
        return;
    m_lastAIAttemptCount = count;
    Q_EMIT lastAIAttemptCountChanged(m_lastAIAttemptCount);
}

void SurveyScanStore::setLastAIAutoAppliedCount(qint64 count)
{
    if (m_lastAIAutoAppliedCount == count)
        return;
    m_lastAIAutoAppliedCount = count;
    Q_EMIT lastAIAutoAppliedCountChanged(m_lastAIAutoAppliedCount);
}

void SurveyScanStore::setLastAIErrorCount(qint64 count)
{
    if (m_lastAIErrorCount == count)
        return;
    m_lastAIErrorCount = count;
    Q_EMIT lastAIErrorCountChanged(m_lastAIErrorCount);
}

void SurveyScanStore::setReadingProgress(const ReadingProgress& progress)
{
    if (m_readingProgress == progress)
        return;
    m_readingProgress = progress;
    Q_EMIT readingProgressChanged(m_readingProgress);
}

// --- Derived values --------------------------------------------------------

std::optional<ScannerDevice> SurveyScanStore::selectedScanner() const
{
    if (!m_selectedScannerID)
        return std::nullopt;
    for (const ScannerDevice& device : m_scanners) {
        if (device.id == *m_selectedScannerID)
            return device;
    }
    return std::nullopt;
}

bool SurveyScanStore::isBusy() const
{
    return m_busy || m_stage == ScanStage::scanning;
}

bool SurveyScanStore::canScanTemplate() const
{
    const auto device = selectedScanner();
    return device && device->isOnline && device->isControllable && !isBusy();
}

bool SurveyScanStore::canStartScan() const
{
    const auto device = selectedScanner();
    return device && device->isOnline && device->isControllable && m_configuration.isValid() &&
           !isBusy();
}

qint64 SurveyScanStore::scannedSurveyCount() const
{
    QSet<qint64> numbers;
    for (const SurveyResponse& response : m_responses)
        numbers.insert(response.surveyNumber);
    return numbers.size();
}

std::optional<SurveyTemplateField> SurveyScanStore::templateField(qint64 questionNumber) const
{
    for (const SurveyTemplateField& field : m_configuration.templateFields) {
        if (field.number == questionNumber)
            return field;
    }
    return std::nullopt;
}

void SurveyScanStore::updateDerivedValues()
{
    if (const bool canStart = canStartScan(); canStart != m_canStartScan) {
        m_canStartScan = canStart;
        Q_EMIT canStartScanChanged(canStart);
    }
    if (const bool canTemplate = canScanTemplate(); canTemplate != m_canScanTemplate) {
        m_canScanTemplate = canTemplate;
        Q_EMIT canScanTemplateChanged(canTemplate);
    }
    if (const qint64 count = scannedSurveyCount(); count != m_scannedSurveyCount) {
        m_scannedSurveyCount = count;
        Q_EMIT scannedSurveyCountChanged(count);
    }
    if (const bool busy = isBusy(); busy != m_lastBusy) {
        m_lastBusy = busy;
        Q_EMIT busyChanged(busy);
    }
}

// --- Numbering helpers bound to the store's state ----------------------------

QList<ScanPage> SurveyScanStore::renumberPages(const QList<ScanPage>& pages, qint64 first) const
{
    qint64 largestPage = 0;
    for (const ScanPage& page : m_pages)
        largestPage = std::max(largestPage, page.pageNumber);
    return ::renumberPages(pages, first, largestPage);
}

QList<SurveyQuestion> SurveyScanStore::mergeQuestions(const QList<SurveyQuestion>& existing,
                                                      const QList<SurveyQuestion>& added) const
{
    return ::mergeQuestions(existing, added, m_configuration.questionCount);
}

void SurveyScanStore::syncQuestionCountWithTemplate()
{
    SurveyConfiguration configuration = m_configuration;
    configuration.questionCount = questionCountForTemplate(configuration.templateFields);
    setConfiguration(configuration);
}

void SurveyScanStore::normalizeTemplateFields()
{
    SurveyConfiguration configuration = m_configuration;
    configuration.templateFields = normalizedTemplateFields(configuration.templateFields);
    setConfiguration(configuration);
}

void SurveyScanStore::persistAfterEdit(bool rewriteCSV)
{
    setProjectDirty(true);
    if (rewriteCSV)
        rewriteCSVIfConnected();
    if (m_projectURL)
        writeProject(*m_projectURL, false);
}
