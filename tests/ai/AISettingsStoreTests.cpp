#include "ai/AISettingsStore.h"

#include "RunTask.h"
#include "ScratchFileSystem.h"
#include "ScriptedAIClient.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class AISettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("prefs/tallywicket.ini")); }

    void store(const QString& key, const QVariant& value)
    {
        QSettings settings(path(), QSettings::IniFormat);
        settings.setValue(key, value);
    }
    QString fileText() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

const QString kKey = QStringLiteral("sk-proj-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcWXYZ");

} // namespace

TEST_F(AISettingsStoreTest, FreshPreferencesCannotUseAI)
{
    // The fallback values are checked by the load table below.
    AISettingsStore settings(path());
    EXPECT_EQ(settings.detectionMode(), AIDetectionMode::hybrid);
    EXPECT_TRUE(settings.sendsImagesToOpenAI());
    EXPECT_FALSE(settings.hasAPIKey());
    EXPECT_FALSE(settings.cachedAPIKey().has_value());
    EXPECT_FALSE(settings.canUseAI());
    EXPECT_EQ(settings.baseURL(), QUrl(QStringLiteral("https://api.openai.com")));
}

struct LoadCase
{
    const char* name;
    const char* key;
    QVariant stored;
    QVariant expected;
};

class AISettingsLoadRules : public AISettingsStoreTest,
                            public ::testing::WithParamInterface<LoadCase>
{
};

TEST_P(AISettingsLoadRules, StoredValueLoadsByItsRule)
{
    const LoadCase& row = GetParam();
    store(QLatin1String(row.key), row.stored);
    AISettingsStore settings(path());
    const QString key = QLatin1String(row.key);
    if (key == QLatin1String(aikeys::detectionMode))
        EXPECT_EQ(rawValue(settings.detectionMode()), row.expected.toString());
    else if (key == QLatin1String(aikeys::model))
        EXPECT_EQ(settings.model(), row.expected.toString());
    else if (key == QLatin1String(aikeys::autoApplyConfidence))
        EXPECT_DOUBLE_EQ(settings.autoApplyConfidence(), row.expected.toDouble());
    else if (key == QLatin1String(aikeys::maxReviewsPerBatch))
        EXPECT_EQ(settings.maxAIReviewsPerBatch(), row.expected.toLongLong());
    else if (key == QLatin1String(aikeys::sendsImagesToOpenAI))
        EXPECT_EQ(settings.sendsImagesToOpenAI(), row.expected.toBool());
    else if (key == QLatin1String(aikeys::hasShownFirstRunPrompt))
        EXPECT_EQ(settings.hasShownFirstRunPrompt(), row.expected.toBool());
    else if (key == QLatin1String(aikeys::openAIAPIKey))
        EXPECT_EQ(settings.hasAPIKey(), row.expected.toBool());
    else
        FAIL() << "no check for " << row.key;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AISettingsLoadRules,
    ::testing::Values(LoadCase{"ModeAIFirst", aikeys::detectionMode, "AI First", "AI First"},
                      LoadCase{"ModeUnknown", aikeys::detectionMode, "Cloud Magic", "Hybrid"},
                      LoadCase{"ModeLowerCase", aikeys::detectionMode, "local only", "Hybrid"},
                      LoadCase{"ModelUntrimmed", aikeys::model, " gpt-5.5 ", " gpt-5.5 "},
                      LoadCase{"AutoApply095", aikeys::autoApplyConfidence, 0.95, 0.92},
                      LoadCase{"AutoApply090", aikeys::autoApplyConfidence, 0.90, 0.90},
                      LoadCase{"AutoApplyZero", aikeys::autoApplyConfidence, 0.0, 0.92},
                      LoadCase{"AutoApplyText", aikeys::autoApplyConfidence, "high", 0.92},
                      LoadCase{"AutoApplyNegative", aikeys::autoApplyConfidence, -0.5, 0.92},
                      LoadCase{"LimitZero", aikeys::maxReviewsPerBatch, 0, 80},
                      LoadCase{"LimitTwelve", aikeys::maxReviewsPerBatch, 12, 12},
                      LoadCase{"LimitNegativeKept", aikeys::maxReviewsPerBatch, -3, -3},
                      LoadCase{"LimitText", aikeys::maxReviewsPerBatch, "many", 80},
                      LoadCase{"SendsText", aikeys::sendsImagesToOpenAI, "sometimes", true},
                      LoadCase{"SendsFalse", aikeys::sendsImagesToOpenAI, false, false},
                      LoadCase{"SendsZero", aikeys::sendsImagesToOpenAI, "0", false},
                      LoadCase{"PromptShown", aikeys::hasShownFirstRunPrompt, true, true},
                      LoadCase{"PromptText", aikeys::hasShownFirstRunPrompt, "maybe", false},
                      LoadCase{"KeyEmpty", aikeys::openAIAPIKey, "", false},
                      LoadCase{"KeyPresent", aikeys::openAIAPIKey, "sk-abc", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AISettingsStoreTest, SettersWriteThroughAndSignalOnlyRealChanges)
{
    {
        AISettingsStore settings(path());
        QSignalSpy mode(&settings, &AISettingsStore::detectionModeChanged);
        QSignalSpy model(&settings, &AISettingsStore::modelChanged);
        QSignalSpy confidence(&settings, &AISettingsStore::autoApplyConfidenceChanged);
        QSignalSpy limit(&settings, &AISettingsStore::maxAIReviewsPerBatchChanged);
        QSignalSpy sends(&settings, &AISettingsStore::sendsImagesToOpenAIChanged);
        QSignalSpy prompt(&settings, &AISettingsStore::hasShownFirstRunPromptChanged);
        for (int i = 0; i < 2; ++i) {
            settings.setDetectionMode(AIDetectionMode::aiReview);
            settings.setModel(QStringLiteral("gpt-5.5"));
            settings.setAutoApplyConfidence(0.955);
            settings.setMaxAIReviewsPerBatch(21);
            settings.setSendsImagesToOpenAI(false);
            settings.setHasShownFirstRunPrompt(true);
        }
        for (QSignalSpy* spy : {&mode, &model, &confidence, &limit, &sends, &prompt})
            EXPECT_EQ(spy->count(), 1);
    }
    QSettings raw(path(), QSettings::IniFormat);
    EXPECT_EQ(raw.value(aikeys::detectionMode).toString(), QStringLiteral("AI Review"));
    EXPECT_EQ(raw.value(aikeys::model).toString(), QStringLiteral("gpt-5.5"));
    EXPECT_DOUBLE_EQ(raw.value(aikeys::autoApplyConfidence).toDouble(), 0.955);
    EXPECT_EQ(raw.value(aikeys::maxReviewsPerBatch).toLongLong(), 21);

    // Read back at the next start; 0.955 is above 0.92 and so loads as 0.92.
    AISettingsStore reloaded(path());
    EXPECT_EQ(reloaded.detectionMode(), AIDetectionMode::aiReview);
    EXPECT_EQ(reloaded.model(), QStringLiteral("gpt-5.5"));
    EXPECT_DOUBLE_EQ(reloaded.autoApplyConfidence(), 0.92);
    EXPECT_EQ(reloaded.maxAIReviewsPerBatch(), 21);
    EXPECT_FALSE(reloaded.sendsImagesToOpenAI());
    EXPECT_TRUE(reloaded.hasShownFirstRunPrompt());
}

TEST_F(AISettingsStoreTest, SavingTrimsTheKeyAndKeepsTheFilePrivate)
{
    // A file left readable by others is made private by the first write.
    store(QStringLiteral("ai.model"), QStringLiteral("gpt-4.1-mini"));
    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ReadGroup | QFileDevice::ReadOther);
    AISettingsStore settings(path());
    QSignalSpy hasKey(&settings, &AISettingsStore::hasAPIKeyChanged);
    QSignalSpy canUse(&settings, &AISettingsStore::canUseAIChanged);
    settings.setLastErrorMessage(QStringLiteral("old failure"));

    settings.saveAPIKey(QStringLiteral("   ") + kKey + QStringLiteral("\n"));

    EXPECT_EQ(settings.cachedAPIKey(), kKey);
    EXPECT_TRUE(settings.hasAPIKey());
    EXPECT_TRUE(settings.canUseAI());
    EXPECT_EQ(hasKey.count(), 1);
    EXPECT_EQ(canUse.count(), 1);
    EXPECT_EQ(settings.connectionStatusMessage(),
              QStringLiteral("Key saved. Run a test before scanning."));
    EXPECT_FALSE(settings.lastErrorMessage().has_value());
    EXPECT_EQ(settings.apiKeyPreview(), QStringLiteral("sk-proj...WXYZ"));
    AISettingsStore shortKey(dir.filePath(QStringLiteral("short.ini")));
    shortKey.saveAPIKey(QStringLiteral("sk-short"));
    EXPECT_FALSE(shortKey.apiKeyPreview().contains(QStringLiteral("short")));
    EXPECT_EQ(QFile::permissions(path()), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadUser | QFileDevice::WriteUser);
    EXPECT_EQ(QSettings(path(), QSettings::IniFormat).value(aikeys::openAIAPIKey).toString(), kKey);
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);

    settings.removeAPIKey();
    EXPECT_FALSE(settings.hasAPIKey());
    EXPECT_FALSE(settings.cachedAPIKey().has_value());
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("Not connected."));
    EXPECT_FALSE(fileText().contains(kKey));
    EXPECT_FALSE(AISettingsStore(path()).hasAPIKey());
}

TEST_F(AISettingsStoreTest, AKeyFileOthersMayReadIsMadePrivateWhenLoaded)
{
    store(QLatin1String(aikeys::openAIAPIKey), kKey);
    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ReadGroup | QFileDevice::ReadOther);
    AISettingsStore settings(path());
    EXPECT_EQ(QFile::permissions(path()) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              QFileDevice::Permissions());
    EXPECT_TRUE(settings.hasAPIKey());
}

TEST_F(AISettingsStoreTest, AKeyThatCouldNotBeSavedIsReportedAndNotClaimed)
{
    // A plain file where the preferences folder should be: no user can write below it.
    QFile blocker(dir.filePath(QStringLiteral("prefs")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AISettingsStore settings(path());
    settings.saveAPIKey(kKey);
    ASSERT_TRUE(settings.lastErrorMessage());
    EXPECT_TRUE(settings.lastErrorMessage()->contains(path()));
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("The key was not saved."));
    EXPECT_FALSE(settings.hasAPIKey());

    // Once the folder can be made, the next save works and says so.
    ASSERT_TRUE(QFile::remove(blocker.fileName()));
    settings.saveAPIKey(kKey);
    EXPECT_FALSE(settings.lastErrorMessage().has_value()) << settings.lastErrorText().toStdString();
    EXPECT_EQ(settings.connectionStatusMessage(),
              QStringLiteral("Key saved. Run a test before scanning."));
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);
}

TEST(AISettingsStoreReadOnly, AKeyThatCouldNotBeRemovedIsStillShownAsSaved)
{
    testsupport::ReadOnlyFolder folder;
    const QString path = folder.filePath(QStringLiteral("tallywicket.ini"));
    AISettingsStore(path).saveAPIKey(kKey);
    if (!folder.lock())
        GTEST_SKIP() << folder.skipReason().toStdString();
    AISettingsStore settings(path);
    settings.removeAPIKey();
    EXPECT_TRUE(settings.hasAPIKey());
    EXPECT_EQ(settings.cachedAPIKey(), kKey);
    EXPECT_NE(settings.connectionStatusMessage(), QStringLiteral("Not connected."));
    ASSERT_TRUE(settings.lastErrorMessage());
    EXPECT_TRUE(settings.lastErrorMessage()->contains(path));
    EXPECT_EQ(AISettingsStore(path).cachedAPIKey(), kKey);
}

TEST_F(AISettingsStoreTest, NewPreferencesFileIsCreatedPrivate)
{
    AISettingsStore settings(path());
    settings.saveAPIKey(kKey);
    EXPECT_EQ(QFile::permissions(path()) & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteGroup | QFileDevice::WriteOther),
              QFileDevice::Permissions());
}

TEST_F(AISettingsStoreTest, BlankKeyChangesNothing)
{
    AISettingsStore settings(path());
    QSignalSpy status(&settings, &AISettingsStore::connectionStatusMessageChanged);
    settings.saveAPIKey(QStringLiteral("  \n\t "));
    EXPECT_FALSE(settings.hasAPIKey());
    EXPECT_EQ(status.count(), 0);
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("Not tested."));
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(AISettingsStoreTest, CanUseAINeedsModeKeyAndImageSending)
{
    AISettingsStore settings(path());
    settings.saveAPIKey(kKey);
    EXPECT_TRUE(settings.canUseAI());
    settings.setDetectionMode(AIDetectionMode::localOnly);
    EXPECT_FALSE(settings.canUseAI());
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    settings.setSendsImagesToOpenAI(false);
    EXPECT_FALSE(settings.canUseAI());
    settings.setSendsImagesToOpenAI(true);
    settings.removeAPIKey();
    EXPECT_FALSE(settings.canUseAI());
}

TEST_F(AISettingsStoreTest, ConnectionTestReportsSuccessFailureAndMissingKey)
{
    ScriptedAIClient client;
    AISettingsStore settings(path(), &client);
    aitest::run(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("Save an API key first."));
    EXPECT_TRUE(client.keys.isEmpty());

    settings.saveAPIKey(kKey);
    settings.setModel(QStringLiteral("gpt-5.5"));
    QSignalSpy testing(&settings, &AISettingsStore::isTestingConnectionChanged);
    aitest::run(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("Connection test passed."));
    EXPECT_EQ(client.keys, QStringList{kKey});
    EXPECT_EQ(client.connectionModels, QStringList{QStringLiteral("gpt-5.5")});
    EXPECT_EQ(testing.count(), 2);
    EXPECT_FALSE(settings.isTestingConnection());

    client.connectionFailure = QStringLiteral("Incorrect API key provided.");
    aitest::run(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("Connection test failed."));
    EXPECT_EQ(settings.lastErrorMessage(), QStringLiteral("Incorrect API key provided."));
    EXPECT_TRUE(settings.hasAPIKey());
    EXPECT_FALSE(settings.isTestingConnection());

    // A client that echoes the key does not get it shown.
    client.connectionFailure = QStringLiteral("Key ") + kKey + QStringLiteral(" was refused.");
    aitest::run(settings.testConnection());
    EXPECT_EQ(settings.lastErrorMessage(), QStringLiteral("Key [API key] was refused."));
}

TEST_F(AISettingsStoreTest, BaseURLIsReadFromPreferences)
{
    store(QLatin1String(aikeys::baseURL), QStringLiteral("https://127.0.0.1:8443"));
    AISettingsStore settings(path());
    EXPECT_EQ(settings.baseURL(), QUrl(QStringLiteral("https://127.0.0.1:8443")));
}
