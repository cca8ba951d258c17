#include "AISettingsStore.h"

#include "AIAnswerAnalysisService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <cmath>

namespace {

const QString kDefaultModel = QStringLiteral("gpt-4.1-mini");
constexpr double kDefaultAutoApply = 0.92;
constexpr qint64 kDefaultBatchLimit = 80;
const QString kDefaultBaseURL = QStringLiteral("https://api.openai.com");
const QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// INI files hold every value as text, so a bool is read from its spelling;
// anything else is no bool.
std::optional<bool> boolFromStored(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

double loadAutoApply(const QVariant& stored)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    // Text that is no number reads as 0. A negative or non-finite threshold
    // would write every answer without review, so it falls back as well.
    if (!ok || value == 0 || value > kDefaultAutoApply || !std::isfinite(value) || value < 0)
        return kDefaultAutoApply;
    return value;
}

qint64 loadBatchLimit(const QVariant& stored)
{
    bool ok = false;
    qint64 value = stored.toLongLong(&ok);
    if (!ok) {
        const double real = stored.toDouble(&ok);
        value = ok && std::isfinite(real) ? static_cast<qint64>(real) : 0;
    }
    return value == 0 ? kDefaultBatchLimit : value;
}

} // namespace

AISettingsStore::AISettingsStore(QSettings* settings, AIAnswerAnalysisService* client,
                                 QObject* parent)
    : QObject(parent), m_settings(settings), m_client(client)
{
    load();
}

AISettingsStore::AISettingsStore(const QString& settingsFilePath, AIAnswerAnalysisService* client,
                                 QObject* parent)
    : QObject(parent),
      m_ownedSettings(std::make_unique<QSettings>(settingsFilePath, QSettings::IniFormat)),
      m_settings(m_ownedSettings.get()), m_client(client)
{
    load();
}

AISettingsStore::~AISettingsStore() = default;

void AISettingsStore::load()
{
    const QVariant mode = m_settings->value(aikeys::detectionMode);
    m_detectionMode =
        aiDetectionModeFromRawValue(mode.toString()).value_or(AIDetectionMode::hybrid);

    m_model = m_settings->contains(aikeys::model) ? m_settings->value(aikeys::model).toString()
                                                  : kDefaultModel;

    m_autoApplyConfidence = m_settings->contains(aikeys::autoApplyConfidence)
                                ? loadAutoApply(m_settings->value(aikeys::autoApplyConfidence))
                                : kDefaultAutoApply;

    m_maxAIReviewsPerBatch = m_settings->contains(aikeys::maxReviewsPerBatch)
                                 ? loadBatchLimit(m_settings->value(aikeys::maxReviewsPerBatch))
                                 : kDefaultBatchLimit;

    m_sendsImagesToOpenAI =
        boolFromStored(m_settings->value(aikeys::sendsImagesToOpenAI)).value_or(true);
    m_hasShownFirstRunPrompt =
        boolFromStored(m_settings->value(aikeys::hasShownFirstRunPrompt)).value_or(false);

    // An empty stored key is no key: it could never authenticate.
    const QString key = m_settings->value(aikeys::openAIAPIKey).toString();
    m_cachedAPIKey = key.isEmpty() ? std::nullopt : std::optional<QString>(key);
    m_hasAPIKey = m_cachedAPIKey.has_value();

    const QString base = m_settings->value(aikeys::baseURL).toString().trimmed();
    m_baseURL = QUrl(base.isEmpty() ? kDefaultBaseURL : base);

    m_lastErrorMessage.reset();
    m_isTestingConnection = false;
    m_connectionStatusMessage = QStringLiteral("Not tested.");
    if (m_hasAPIKey)
        tightenKeyFilePermissions();
}

QString AISettingsStore::settingsFilePath() const
{
    return m_settings->fileName();
}

bool AISettingsStore::canUseAI() const
{
    return m_detectionMode != AIDetectionMode::localOnly && m_hasAPIKey && m_sendsImagesToOpenAI;
}

QString AISettingsStore::apiKeyPreview() const
{
    if (!m_cachedAPIKey)
        return QStringLiteral("No key saved");
    const QString& key = *m_cachedAPIKey;
    // A short key would be shown almost whole; say only that one is there.
    if (key.size() < 11)
        return QStringLiteral("Key saved");
    return key.left(7) + QStringLiteral("...") + key.right(4);
}

bool AISettingsStore::write(const char* key, const QVariant& value)
{
    renewSettingsAfterFailure();
    m_settings->setValue(QLatin1String(key), value);
    return commit();
}

bool AISettingsStore::removeKey(const char* key)
{
    renewSettingsAfterFailure();
    m_settings->remove(QLatin1String(key));
    return commit();
}

// The file holds the key in plain text, so only its owner may read it: it is
// created private before the first write and made private again after each.
bool AISettingsStore::commit()
{
    const QString path = m_settings->fileName();
    const QFileInfo info(path);
    if (!info.exists()) {
        QDir().mkpath(info.absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly, kOwnerOnly))
            file.close();
    }
    QFile::setPermissions(path, kOwnerOnly);
    m_settings->sync();
    QFile::setPermissions(path, kOwnerOnly);
    if (m_settings->status() == QSettings::NoError)
        return true;
    setLastErrorMessage(QStringLiteral("The AI preferences could not be saved to \"%1\". Check "
                                       "that the folder exists, that you may write there and "
                                       "that the disk is not full.")
                            .arg(QDir::toNativeSeparators(path)));
    return false;
}

// QSettings keeps the first error it met for the rest of its life; before the
// next write a fresh object over the same file takes its place, so a write
// that works once the cause is gone is not reported as failed.
void AISettingsStore::renewSettingsAfterFailure()
{
    if (m_settings->status() == QSettings::NoError)
        return;
    auto fresh = std::make_unique<QSettings>(m_settings->fileName(), m_settings->format());
    m_settings = fresh.get();
    m_ownedSettings = std::move(fresh);
}

// A key in a file others may read is made private when it is found, not only
// at the next write.
void AISettingsStore::tightenKeyFilePermissions()
{
    const QString path = m_settings->fileName();
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (!QFileInfo::exists(path) || !(QFile::permissions(path) & others))
        return;
    if (!QFile::setPermissions(path, kOwnerOnly))
        setLastErrorMessage(QStringLiteral("The preferences file \"%1\" holds the API key and "
                                           "others may read it, but it could not be made "
                                           "private. Remove the key or change the file's "
                                           "permissions.")
                                .arg(QDir::toNativeSeparators(path)));
}

void AISettingsStore::setDetectionMode(AIDetectionMode mode)
{
    if (m_detectionMode == mode)
        return;
    const bool couldUse = canUseAI();
    m_detectionMode = mode;
    write(aikeys::detectionMode, rawValue(mode));
    Q_EMIT detectionModeChanged();
    if (couldUse != canUseAI())
        Q_EMIT canUseAIChanged();
}

void AISettingsStore::setModel(const QString& model)
{
    if (m_model == model)
        return;
    m_model = model;
    write(aikeys::model, model);
    Q_EMIT modelChanged();
}

void AISettingsStore::setAutoApplyConfidence(double confidence)
{
    if (m_autoApplyConfidence == confidence)
        return;
    m_autoApplyConfidence = confidence;
    write(aikeys::autoApplyConfidence, confidence);
    Q_EMIT autoApplyConfidenceChanged();
}

void AISettingsStore::setMaxAIReviewsPerBatch(qint64 limit)
{
    if (m_maxAIReviewsPerBatch == limit)
        return;
    m_maxAIReviewsPerBatch = limit;
    write(aikeys::maxReviewsPerBatch, limit);
    Q_EMIT maxAIReviewsPerBatchChanged();
}

void AISettingsStore::setSendsImagesToOpenAI(bool sends)
{
    if (m_sendsImagesToOpenAI == sends)
        return;
    const bool couldUse = canUseAI();
    m_sendsImagesToOpenAI = sends;
    write(aikeys::sendsImagesToOpenAI, sends);
    Q_EMIT sendsImagesToOpenAIChanged();
    if (couldUse != canUseAI())
        Q_EMIT canUseAIChanged();
}

void AISettingsStore::setHasShownFirstRunPrompt(bool shown)
{
    if (m_hasShownFirstRunPrompt == shown)
        return;
    m_hasShownFirstRunPrompt = shown;
    write(aikeys::hasShownFirstRunPrompt, shown);
    Q_EMIT hasShownFirstRunPromptChanged();
}

void AISettingsStore::setLastErrorMessage(const std::optional<QString>& reported)
{
    // Whatever reports a failure, the key it may echo is not shown.
    std::optional<QString> message = reported;
    if (message && m_cachedAPIKey && m_cachedAPIKey->size() >= 8)
        message->replace(*m_cachedAPIKey, QStringLiteral("[API key]"));
    if (m_lastErrorMessage == message)
        return;
    m_lastErrorMessage = message;
    Q_EMIT lastErrorMessageChanged();
}

void AISettingsStore::setConnectionStatusMessage(const QString& message)
{
    if (m_connectionStatusMessage == message)
        return;
    m_connectionStatusMessage = message;
    Q_EMIT connectionStatusMessageChanged();
}

void AISettingsStore::setTestingConnection(bool testing)
{
    if (m_isTestingConnection == testing)
        return;
    m_isTestingConnection = testing;
    Q_EMIT isTestingConnectionChanged();
}

void AISettingsStore::setKey(const std::optional<QString>& key)
{
    const bool couldUse = canUseAI();
    const QString oldPreview = apiKeyPreview();
    const bool hadKey = m_hasAPIKey;
    m_cachedAPIKey = key;
    m_hasAPIKey = key.has_value();
    if (hadKey != m_hasAPIKey)
        Q_EMIT hasAPIKeyChanged();
    if (oldPreview != apiKeyPreview())
        Q_EMIT apiKeyPreviewChanged();
    if (couldUse != canUseAI())
        Q_EMIT canUseAIChanged();
}

void AISettingsStore::saveAPIKey(const QString& typed)
{
    const QString key = typed.trimmed();
    if (key.isEmpty())
        return;
    if (!write(aikeys::openAIAPIKey, key)) {
        // The file still holds what it held before, and so does the panel.
        restoreStoredKey();
        setConnectionStatusMessage(QStringLiteral("The key was not saved."));
        return;
    }
    setKey(key);
    setConnectionStatusMessage(QStringLiteral("Key saved. Run a test before scanning."));
    setLastErrorMessage(std::nullopt);
}

void AISettingsStore::removeAPIKey()
{
    if (!removeKey(aikeys::openAIAPIKey)) {
        // The key is still on disk: the panel must not say it is gone.
        restoreStoredKey();
        setConnectionStatusMessage(QStringLiteral("The key was not removed."));
        return;
    }
    setKey(std::nullopt);
    setConnectionStatusMessage(QStringLiteral("Not connected."));
    setLastErrorMessage(std::nullopt);
}

// After a failed write the settings in memory go back to the key held, so a
// later write of another preference does not carry the change along.
void AISettingsStore::restoreStoredKey()
{
    if (m_cachedAPIKey)
        m_settings->setValue(QLatin1String(aikeys::openAIAPIKey), *m_cachedAPIKey);
    else
        m_settings->remove(QLatin1String(aikeys::openAIAPIKey));
}

QCoro::Task<> AISettingsStore::testConnection()
{
    if (!m_cachedAPIKey) {
        setConnectionStatusMessage(QStringLiteral("Save an API key first."));
        co_return;
    }
    if (m_isTestingConnection)
        co_return; // one test at a time; the running one will report
    setTestingConnection(true);
    std::optional<QString> failure;
    if (!m_client) {
        failure = QStringLiteral("The AI client is not available.");
    } else {
        try {
            co_await m_client->testConnection(*m_cachedAPIKey, m_model);
        } catch (const OpenAIAnswerAnalysisError& error) {
            failure = error.description();
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
    }
    if (failure) {
        setConnectionStatusMessage(QStringLiteral("Connection test failed."));
        setLastErrorMessage(failure);
    } else {
        setConnectionStatusMessage(QStringLiteral("Connection test passed."));
        setLastErrorMessage(std::nullopt);
    }
    setTestingConnection(false);
}
