#pragma once

#include "FilePanels.h"
#include "ReadingProgress.h"
#include "model/AnswerSource.h"
#include "model/QuestionReviewItem.h"
#include "model/ScanPage.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyQuestion.h"
#include "model/SurveyResponse.h"
#include "reading/SurveyExtractionService.h"
#include "scanner/ScannerService.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <optional>
#include <utility>

class AISettingsStore;
class AIAnswerAnalysisService;
class ScanPreferences;
class QUndoStack;
class StoreEditCommand;
struct AIStepContext;
struct ScanAttempt;

/// The one observable object that holds the working state of Tallywicket and
/// runs every operator action. Lives on the interface thread; screens read its
/// properties and call its operations. Every change signal fires only when the
/// value really changes. The store never shows a widget: panels and questions
/// go through FilePanels, failures into statusMessage and errorMessage.
///
/// Operations are implemented in files by concern: batch flow
/// (StoreBatchFlow.cpp), review and editing (StoreReview.cpp), template editing
/// (StoreTemplate.cpp), template discovery (StoreDiscovery.cpp), project and
/// CSV files (StoreProjectFiles.cpp), AI steps (StoreAISteps.cpp).
class SurveyScanStore : public QObject
{
    Q_OBJECT

    Q_PROPERTY(QList<ScannerDevice> scanners READ scanners NOTIFY scannersChanged)
    Q_PROPERTY(std::optional<QString> selectedScannerID READ selectedScannerID WRITE
                   setSelectedScannerID NOTIFY selectedScannerIDChanged)
    Q_PROPERTY(SurveyConfiguration configuration READ configuration WRITE setConfiguration NOTIFY
                   configurationChanged)
    Q_PROPERTY(QList<ScanPage> pages READ pages NOTIFY pagesChanged)
    Q_PROPERTY(QList<SurveyResponse> responses READ responses NOTIFY responsesChanged)
    Q_PROPERTY(QList<QuestionReviewItem> reviewItems READ reviewItems NOTIFY reviewItemsChanged)
    // The answers a person set (applied in review or edited); every other
    // answer was read by the machine.
    Q_PROPERTY(AnswerSources answerSources READ answerSources NOTIFY answerSourcesChanged)
    Q_PROPERTY(QList<SurveyQuestion> detectedQuestions READ detectedQuestions NOTIFY
                   detectedQuestionsChanged)
    Q_PROPERTY(std::optional<qint64> selectedSurveyNumber READ selectedSurveyNumber WRITE
                   setSelectedSurveyNumber NOTIFY selectedSurveyNumberChanged)
    Q_PROPERTY(std::optional<QUrl> projectURL READ projectURL NOTIFY projectURLChanged)
    Q_PROPERTY(std::optional<QUrl> csvURL READ csvURL NOTIFY csvURLChanged)
    Q_PROPERTY(bool isProjectDirty READ isProjectDirty NOTIFY isProjectDirtyChanged)
    Q_PROPERTY(ScanStage stage READ stage NOTIFY stageChanged)
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(
        QString lastAIStatusMessage READ lastAIStatusMessage NOTIFY lastAIStatusMessageChanged)
    Q_PROPERTY(qint64 lastAIAttemptCount READ lastAIAttemptCount NOTIFY lastAIAttemptCountChanged)
    Q_PROPERTY(qint64 lastAIAutoAppliedCount READ lastAIAutoAppliedCount NOTIFY
                   lastAIAutoAppliedCountChanged)
    Q_PROPERTY(qint64 lastAIErrorCount READ lastAIErrorCount NOTIFY lastAIErrorCountChanged)

    // Pages scanned and read while a batch is scanned and read, with the
    // reading time left; all zero outside a batch.
    Q_PROPERTY(ReadingProgress readingProgress READ readingProgress NOTIFY readingProgressChanged)

    // Derived values the screens use to enable actions.
    Q_PROPERTY(bool canStartScan READ canStartScan NOTIFY canStartScanChanged)
    Q_PROPERTY(bool canScanTemplate READ canScanTemplate NOTIFY canScanTemplateChanged)
    Q_PROPERTY(qint64 scannedSurveyCount READ scannedSurveyCount NOTIFY scannedSurveyCountChanged)

public:
    // Collaborators are borrowed: they must outlive the store.
    SurveyScanStore(ScannerService* scannerService, SurveyExtractionService* extractionService,
                    AISettingsStore* aiSettings, AIAnswerAnalysisService* aiAnswerService,
                    FilePanels* filePanels, QObject* parent = nullptr);
    ~SurveyScanStore() override;

    static QString initialStatusMessage();

    // --- State -----------------------------------------------------------
    const QList<ScannerDevice>& scanners() const { return m_scanners; }
    const std::optional<QString>& selectedScannerID() const { return m_selectedScannerID; }
    const SurveyConfiguration& configuration() const { return m_configuration; }
    const QList<ScanPage>& pages() const { return m_pages; }
    const QList<SurveyResponse>& responses() const { return m_responses; }
    const QList<QuestionReviewItem>& reviewItems() const { return m_reviewItems; }
    const AnswerSources& answerSources() const { return m_answerSources; }
    const QList<SurveyQuestion>& detectedQuestions() const { return m_detectedQuestions; }
    const std::optional<qint64>& selectedSurveyNumber() const { return m_selectedSurveyNumber; }
    const std::optional<QUrl>& projectURL() const { return m_projectURL; }
    const std::optional<QUrl>& csvURL() const { return m_csvURL; }
    bool isProjectDirty() const { return m_isProjectDirty; }
    ScanStage stage() const { return m_stage; }
    const QString& statusMessage() const { return m_statusMessage; }
    const std::optional<QString>& errorMessage() const { return m_errorMessage; }
    const QString& lastAIStatusMessage() const { return m_lastAIStatusMessage; }
    qint64 lastAIAttemptCount() const { return m_lastAIAttemptCount; }
    qint64 lastAIAutoAppliedCount() const { return m_lastAIAutoAppliedCount; }
    qint64 lastAIErrorCount() const { return m_lastAIErrorCount; }
    const ReadingProgress& readingProgress() const { return m_readingProgress; }

    // Operator-settable fields. A configuration that differs from the current
    // one in any field marks the project dirty.
    void setSelectedScannerID(const std::optional<QString>& id);
    void setConfiguration(const SurveyConfiguration& configuration);
    void setSelectedSurveyNumber(const std::optional<qint64>& number);
    void clearErrorMessage();

    // --- Derived values --------------------------------------------------
    bool canStartScan() const;
    bool canScanTemplate() const;
    qint64 scannedSurveyCount() const;
    std::optional<SurveyTemplateField> templateField(qint64 questionNumber) const;
    // The selected device, or nothing when none is selected or it vanished.
    std::optional<ScannerDevice> selectedScanner() const;

    // --- Scanners and batches (StoreBatchFlow.cpp) -------------------------
    QCoro::Task<> refreshScanners();
    void applySelectedScannerCapabilities();
    // Selects a device from the list and adapts the configuration to it.
    void selectScanner(const QString& id);
    QCoro::Task<> startScanBatch();
    // Asks the scanner layer to stop the running scan. A one-pass scan then
    // reads the pages scanned so far and says how many sheets were kept;
    // otherwise the batch ends as a failed scan with the scanner's text.
    // Pages are read while the feeder runs; once it has stopped there is
    // nothing to cancel: every page scanned is read, none is dropped.
    void cancelScan();
    // The operator's resolution, colour and source, set on the scanner before
    // each scan; without them the scanner's own defaults stay.
    void setScanPreferences(ScanPreferences* preferences) { m_scanPreferences = preferences; }
    ScanPreferences* scanPreferences() const { return m_scanPreferences; }
    // "Import Scanned Files...": the service that asks for files and makes
    // a batch of them. Without one there is nothing to import.
    void setImportService(ScannerService* importer) { m_importService = importer; }
    bool canImport() const { return m_importService && !isBusy(); }
    // Runs the batch flow on chosen files. A closed chooser changes nothing
    // and reports nothing.
    QCoro::Task<> importScannedFiles();

    // --- Review, editing and deletion (StoreReview.cpp) --------------------
    QString answerValue(qint64 surveyNumber, qint64 questionNumber) const;
    void updateAnswer(qint64 surveyNumber, qint64 questionNumber, const QString& value);
    void updateReviewItem(const QuestionReviewItem& item, const QString& enteredText);
    void applyReviewItem(const QuestionReviewItem& item);
    void deleteResponse(const SurveyResponse& response);
    // Moves the item to the end of the queue, still pending.
    void skipReviewItem(const QuestionReviewItem& item);

    // --- Undo and redo (StoreHistory.cpp) -----------------------------------
    // Answer edits, applied review answers and deletions, for this project
    // only. Undo and redo go through the same writes as the edit itself, so
    // the CSV and project file follow; both do nothing while a batch runs.
    QUndoStack* undoStack() const { return m_undoStack; }
    void undo();
    void redo();
    // A scan or its reading is under way: no second batch, no undo.
    bool isBusy() const;

    // --- Template editing (StoreTemplate.cpp) -------------------------------
    void applyTemplatePreset(SurveyTemplate preset);
    void updateTemplateField(const SurveyTemplateField& field);
    void addTemplateField();
    void deleteTemplateField(const SurveyTemplateField& field);

    // --- Template discovery (StoreDiscovery.cpp) ----------------------------
    QCoro::Task<> scanTemplatePage();
    SurveyConfiguration makeTemplateDiscoveryConfiguration() const;
    void applyDetectedTemplateQuestions(const QList<SurveyQuestion>& detected);

    // --- Projects and CSV (StoreProjectFiles.cpp) ---------------------------
    // True when answers wait for review and no project file holds them as
    // they are (none chosen, or unsaved changes): quitting would drop them.
    bool reviewWorkWouldBeLost() const;
    // New and open ask FilePanels before dropping unsaved changes or pending
    // review work; declining changes nothing.
    void newProject();
    void openProject();
    // Opens the given project file without a panel (also used by open).
    void openProject(const QString& path);
    void saveProject(); // writes to projectURL, or asks like saveProjectAs
    void saveProjectAs();
    void chooseCSVFile();
    void exportCSV();

    // --- AI steps (StoreAISteps.cpp) -----------------------------------------
    void resetAIStatus();

    // Renumbered new pages: surveys continue at first, page numbers after the
    // largest page number held now (a deletion must not make them repeat).
    QList<ScanPage> renumberPages(const QList<ScanPage>& pages, qint64 first) const;
    QList<SurveyQuestion> mergeQuestions(const QList<SurveyQuestion>& existing,
                                         const QList<SurveyQuestion>& added) const;

Q_SIGNALS:
    void scannersChanged(const QList<ScannerDevice>& scanners);
    void selectedScannerIDChanged(const std::optional<QString>& id);
    void configurationChanged(const SurveyConfiguration& configuration);
    void pagesChanged(const QList<ScanPage>& pages);
    void responsesChanged(const QList<SurveyResponse>& responses);
    void reviewItemsChanged(const QList<QuestionReviewItem>& items);
    void answerSourcesChanged(const AnswerSources& sources);
    void detectedQuestionsChanged(const QList<SurveyQuestion>& questions);
    void selectedSurveyNumberChanged(const std::optional<qint64>& number);
    void projectURLChanged(const std::optional<QUrl>& url);
    void csvURLChanged(const std::optional<QUrl>& url);
    void isProjectDirtyChanged(bool dirty);
    void stageChanged(ScanStage stage);
    void statusMessageChanged(const QString& message);
    void errorMessageChanged(const std::optional<QString>& message);
    void lastAIStatusMessageChanged(const QString& message);
    void lastAIAttemptCountChanged(qint64 count);
    void lastAIAutoAppliedCountChanged(qint64 count);
    void lastAIErrorCountChanged(qint64 count);
    void readingProgressChanged(const ReadingProgress& progress);
    void canStartScanChanged(bool canStart);
    void canScanTemplateChanged(bool canScan);
    void scannedSurveyCountChanged(qint64 count);
    void busyChanged(bool busy);

private:
    // Guarded setters: each emits only on a real change.
    void setScanners(const QList<ScannerDevice>& scanners);
    void setPages(const QList<ScanPage>& pages);
    void setResponses(const QList<SurveyResponse>& responses);
    void setReviewItems(const QList<QuestionReviewItem>& items);
    void setAnswerSources(const AnswerSources& sources);
    void setDetectedQuestions(const QList<SurveyQuestion>& questions);
    void setProjectURL(const std::optional<QUrl>& url);
    void setCSVURL(const std::optional<QUrl>& url);
    void setProjectDirty(bool dirty);
    void setStage(ScanStage stage);
    void setStatusMessage(const QString& message);
    void setErrorMessage(const std::optional<QString>& message);
    void setLastAIStatusMessage(const QString& message);
    void setLastAIAttemptCount(qint64 count);
    void setLastAIAutoAppliedCount(qint64 count);
    void setLastAIErrorCount(qint64 count);
    void setReadingProgress(const ReadingProgress& progress);
    void updateDerivedValues();

    // Marks the store busy for one scan and its reading, on every way out.
    class BusyGuard
    {
    public:
        explicit BusyGuard(SurveyScanStore* store);
        ~BusyGuard();
        BusyGuard(const BusyGuard&) = delete;
        BusyGuard& operator=(const BusyGuard&) = delete;

    private:
        SurveyScanStore* m_store;
    };
    // The selected device when a scan may start; reports an uncontrollable one.
    std::optional<ScannerDevice> deviceForScan();
    // Back to idle with the failure's text when the scan failed; false when it worked.
    bool endIfScanFailed(const ScanAttempt& attempt, const QString& failedStatus);
    void applyDiscoveredScanners(const QList<ScannerDevice>& devices);
    void syncQuestionCountWithTemplate();
    void normalizeTemplateFields();
    // What an undoable edit changes, kept whole before and after it.
    struct EditedContent
    {
        QList<ScanPage> pages;
        QList<SurveyResponse> responses;
        QList<QuestionReviewItem> reviewItems;
        AnswerSources answerSources;
        std::optional<qint64> selectedSurveyNumber;
        ScanStage stage = ScanStage::idle;
    };
    friend class StoreEditCommand;
    EditedContent editedContent() const;
    void restoreEditedContent(const EditedContent& content, const QString& status);
    // Records the edit just made, from what the store held before it.
    void recordEdit(const QString& text, EditedContent before);
    // Dirty, CSV rewrite (unless skipped), project write: the end of every edit.
    void persistAfterEdit(bool rewriteCSV = true);
    // Why new and open refuse while a batch runs; cleared when the batch ends.
    static QString scanRunningText();
    // True when nothing unsaved would be lost or the operator agrees to lose it.
    bool confirmDiscard(DiscardReason reason);

    // Project and CSV writes (StoreProjectFiles.cpp).
    bool writeProject(const QUrl& url, bool updateStatus);
    void appendBatchToCSV(const QList<ScanPage>& pages, const QList<SurveyResponse>& responses);
    void rewriteCSVIfConnected();

    // AI steps of a batch; each returns the batch's responses and review items.
    using BatchAnswers = std::pair<QList<SurveyResponse>, QList<QuestionReviewItem>>;
    // What an AI step needs from the store, publishing its status back here.
    AIStepContext makeAIStepContext();
    QCoro::Task<BatchAnswers> applyAIEnhancements(QList<SurveyResponse> responses,
                                                  QList<QuestionReviewItem> reviewItems);
    QCoro::Task<BatchAnswers>
    applyAIFirstPageExtraction(QList<SurveyResponse> responses, QList<ScanPage> pages,
                               QList<QuestionReviewItem> localReviewItems);
    // Scans (or imports) one batch from `service` and reads it.
    QCoro::Task<> runBatch(ScannerService* service, ScannerDevice device, bool fromFiles);
    // Hands the operator's settings to the scanner layer before a scan.
    void applyScanSettings(const ScannerDevice& device, bool templateScan);
    // Merges a read batch into the current lists, writes files, sets the final status.
    void finishBatch(const QList<ScanPage>& batchPages, BatchAnswers answers,
                     const SurveyExtractionResult& extraction,
                     const std::optional<ScanEarlyEnd>& endedEarly);

    ScannerService* m_scannerService;
    SurveyExtractionService* m_extractionService;
    AISettingsStore* m_aiSettings;
    AIAnswerAnalysisService* m_aiAnswerService;
    FilePanels* m_filePanels;
    ScanPreferences* m_scanPreferences = nullptr;
    ScannerService* m_importService = nullptr;

    QList<ScannerDevice> m_scanners;
    std::optional<QString> m_selectedScannerID;
    SurveyConfiguration m_configuration;
    QList<ScanPage> m_pages;
    QList<SurveyResponse> m_responses;
    QList<QuestionReviewItem> m_reviewItems;
    AnswerSources m_answerSources;
    QList<SurveyQuestion> m_detectedQuestions;
    std::optional<qint64> m_selectedSurveyNumber;
    std::optional<QUrl> m_projectURL;
    std::optional<QUrl> m_csvURL;
    bool m_isProjectDirty = false;
    ScanStage m_stage = ScanStage::idle;
    QString m_statusMessage;
    std::optional<QString> m_errorMessage;
    QString m_lastAIStatusMessage;
    qint64 m_lastAIAttemptCount = 0;
    qint64 m_lastAIAutoAppliedCount = 0;
    qint64 m_lastAIErrorCount = 0;
    ReadingProgress m_readingProgress;

    // Cached derived values, so their signals fire only on a change.
    bool m_canStartScan = false;
    bool m_canScanTemplate = false;
    qint64 m_scannedSurveyCount = 0;
    // True from a scan's start until its reading and AI step have finished.
    bool m_busy = false;
    bool m_lastBusy = false;
    QUndoStack* m_undoStack;
};
