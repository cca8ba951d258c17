#pragma once

#include "AITypes.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

class AIAnswerAnalysisService;
class QSettings;

// Footnote of the key section in the AI settings panel.
inline constexpr const char* kAIKeyStorageFootnote =
    "The key is saved in this app's local preferences and is never written to project files or "
    "CSV exports.";

// Preference keys of the AI assistant.
namespace aikeys {
inline constexpr const char* detectionMode = "ai.detectionMode";
inline constexpr const char* model = "ai.model";
inline constexpr const char* autoApplyConfidence = "ai.autoApplyConfidence";
inline constexpr const char* maxReviewsPerBatch = "ai.maxReviewsPerBatch";
inline constexpr const char* sendsImagesToOpenAI = "ai.sendsImagesToOpenAI";
inline constexpr const char* hasShownFirstRunPrompt = "ai.hasShownFirstRunPrompt.v2";
inline constexpr const char* openAIAPIKey = "ai.openAIAPIKey";
inline constexpr const char* baseURL = "ai.baseURL";
} // namespace aikeys

/// Every preference of the AI assistant and the operator's API key, written
/// through to a settings file at once. Lives on the interface thread.
class AISettingsStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(AIDetectionMode detectionMode READ detectionMode WRITE setDetectionMode NOTIFY
                   detectionModeChanged)
    Q_PROPERTY(QString model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(double autoApplyConfidence READ autoApplyConfidence WRITE setAutoApplyConfidence
                   NOTIFY autoApplyConfidenceChanged)
    Q_PROPERTY(qint64 maxAIReviewsPerBatch READ maxAIReviewsPerBatch WRITE setMaxAIReviewsPerBatch
                   NOTIFY maxAIReviewsPerBatchChanged)
    Q_PROPERTY(bool sendsImagesToOpenAI READ sendsImagesToOpenAI WRITE setSendsImagesToOpenAI NOTIFY
                   sendsImagesToOpenAIChanged)
    Q_PROPERTY(bool hasShownFirstRunPrompt READ hasShownFirstRunPrompt WRITE
                   setHasShownFirstRunPrompt NOTIFY hasShownFirstRunPromptChanged)
    Q_PROPERTY(bool hasAPIKey READ hasAPIKey NOTIFY hasAPIKeyChanged)
    Q_PROPERTY(QString lastErrorMessage READ lastErrorText NOTIFY lastErrorMessageChanged)
    Q_PROPERTY(bool isTestingConnection READ isTestingConnection NOTIFY isTestingConnectionChanged)
    Q_PROPERTY(QString connectionStatusMessage READ connectionStatusMessage NOTIFY
                   connectionStatusMessageChanged)
    Q_PROPERTY(bool canUseAI READ canUseAI NOTIFY canUseAIChanged)
    Q_PROPERTY(QString apiKeyPreview READ apiKeyPreview NOTIFY apiKeyPreviewChanged)

public:
    // Over settings owned by the caller (the application's default settings).
    explicit AISettingsStore(QSettings* settings, AIAnswerAnalysisService* client = nullptr,
                             QObject* parent = nullptr);
    // Over an INI file of its own, for tests and separate profiles.
    explicit AISettingsStore(const QString& settingsFilePath,
                             AIAnswerAnalysisService* client = nullptr, QObject* parent = nullptr);
    ~AISettingsStore() override;

    void setClient(AIAnswerAnalysisService* client) { m_client = client; }
    AIAnswerAnalysisService* client() const { return m_client; }

    AIDetectionMode detectionMode() const { return m_detectionMode; }
    QString model() const { return m_model; }
    double autoApplyConfidence() const { return m_autoApplyConfidence; }
    qint64 maxAIReviewsPerBatch() const { return m_maxAIReviewsPerBatch; }
    bool sendsImagesToOpenAI() const { return m_sendsImagesToOpenAI; }
    bool hasShownFirstRunPrompt() const { return m_hasShownFirstRunPrompt; }
    bool hasAPIKey() const { return m_hasAPIKey; }
    std::optional<QString> lastErrorMessage() const { return m_lastErrorMessage; }
    QString lastErrorText() const { return m_lastErrorMessage.value_or(QString()); }
    bool isTestingConnection() const { return m_isTestingConnection; }
    QString connectionStatusMessage() const { return m_connectionStatusMessage; }
    // The endpoint's address; not shown in the panel.
    QUrl baseURL() const { return m_baseURL; }

    // Mode not local-only, a key saved and image sending allowed.
    bool canUseAI() const;
    QString apiKeyPreview() const;
    // The saved key for a batch; absent when none is saved.
    std::optional<QString> cachedAPIKey() const { return m_cachedAPIKey; }
    // The path of the preferences file holding the key.
    QString settingsFilePath() const;

    void setDetectionMode(AIDetectionMode mode);
    void setModel(const QString& model);
    void setAutoApplyConfidence(double confidence);
    void setMaxAIReviewsPerBatch(qint64 limit);
    void setSendsImagesToOpenAI(bool sends);
    void setHasShownFirstRunPrompt(bool shown);
    // Written by the AI steps of a batch; absent clears it. The saved key is
    // masked out of the text.
    void setLastErrorMessage(const std::optional<QString>& message);

    void saveAPIKey(const QString& key);
    void removeAPIKey();
    QCoro::Task<> testConnection();

Q_SIGNALS:
    void detectionModeChanged();
    void modelChanged();
    void autoApplyConfidenceChanged();
    void maxAIReviewsPerBatchChanged();
    void sendsImagesToOpenAIChanged();
    void hasShownFirstRunPromptChanged();
    void hasAPIKeyChanged();
    void lastErrorMessageChanged();
    void isTestingConnectionChanged();
    void connectionStatusMessageChanged();
    void canUseAIChanged();
    void apiKeyPreviewChanged();

private:
    void load();
    // Each writes through at once; false (with lastErrorMessage set) when the
    // file could not be written.
    bool write(const char* key, const QVariant& value);
    bool removeKey(const char* key);
    bool commit();
    void renewSettingsAfterFailure();
    void restoreStoredKey();
    void tightenKeyFilePermissions();
    void setKey(const std::optional<QString>& key);
    void setConnectionStatusMessage(const QString& message);
    void setTestingConnection(bool testing);

    std::unique_ptr<QSettings> m_ownedSettings;
    QSettings* m_settings = nullptr;
    AIAnswerAnalysisService* m_client = nullptr;

    AIDetectionMode m_detectionMode = AIDetectionMode::hybrid;
    QString m_model;
    double m_autoApplyConfidence = 0.92;
    qint64 m_maxAIReviewsPerBatch = 80;
    bool m_sendsImagesToOpenAI = true;
    bool m_hasShownFirstRunPrompt = false;
    bool m_hasAPIKey = false;
    std::optional<QString> m_lastErrorMessage;
    bool m_isTestingConnection = false;
    QString m_connectionStatusMessage;
    std::optional<QString> m_cachedAPIKey;
    QUrl m_baseURL;
};
