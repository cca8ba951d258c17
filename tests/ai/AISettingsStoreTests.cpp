#include "ai/AISettingsStore.h"

#include "ScratchFileSystem.h"
#include "ScriptedAIClient.h"
#include "TestSupport.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kKey = QStringLiteral("sk-proj-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcWXYZ");
constexpr auto kOthersMayRead = QFileDevice::ReadGroup | QFileDevice::ReadOther;

class AISettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("prefs/tallywicket.ini")); }

    void store(const char* key, const QVariant& value)
    {
        QSettings(path(), QSettings::IniFormat).setValue(QLatin1String(key), value);
    }
    void letOthersRead()
    {
        QFile::setPermissions(path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | kOthersMayRead);
    }
    bool othersMayRead() const { return QFile::permissions(path()) & kOthersMayRead; }
};

} // namespace

TEST_F(AISettingsStoreTest, StoredValuesLoadByTheirRules)
{
    using Read = QVariant (*)(const AISettingsStore&);
    const Read mode = [](const AISettingsStore& s) {
        return QVariant(rawValue(s.detectionMode()));
    };
    const Read model = [](const AISettingsStore& s) { return QVariant(s.model()); };
    const Read confidence = [](const AISettingsStore& s) {
        return QVariant(s.autoApplyConfidence());
    };
    const Read limit = [](const AISettingsStore& s) { return QVariant(s.maxAIReviewsPerBatch()); };
    const Read sends = [](const AISettingsStore& s) { return QVariant(s.sendsImagesToOpenAI()); };
    const Read shown = [](const AISettingsStore& s) {
        return QVariant(s.hasShownFirstRunPrompt());
    };
    const Read hasKey = [](const AISettingsStore& s) { return QVariant(s.hasAPIKey()); };
    const struct
    {
        const char* key;
        QVariant stored;
        Read read;
        QVariant expected;
    } rows[] = {
        {aikeys::detectionMode, "AI First", mode, "AI First"},
        {aikeys::detectionMode, "local only", mode, "Hybrid"},
        {aikeys::model, " gpt-5.5 ", model, " gpt-5.5 "},
        {aikeys::autoApplyConfidence, 0.95, confidence, 0.92},
        {aikeys::autoApplyConfidence, 0.90, confidence, 0.90},
        {aikeys::autoApplyConfidence, "high", confidence, 0.92},
        {aikeys::autoApplyConfidence, -0.5, confidence, 0.92},
        {aikeys::maxReviewsPerBatch, 0, limit, 80},
        {aikeys::maxReviewsPerBatch, -3, limit, -3},
        {aikeys::maxReviewsPerBatch, "many", limit, 80},
        {aikeys::sendsImagesToOpenAI, "sometimes", sends, true},
        {aikeys::sendsImagesToOpenAI, "0", sends, false},
        {aikeys::hasShownFirstRunPrompt, true, shown, true},
        {aikeys::hasShownFirstRunPrompt, "maybe", shown, false},
        {aikeys::openAIAPIKey, "", hasKey, false},
        {aikeys::openAIAPIKey, "sk-abc", hasKey, true},
    };
    for (const auto& row : rows) {
        QFile::remove(path());
        store(row.key, row.stored);
        EXPECT_EQ(row.read(AISettingsStore(path())), row.expected)
            << row.key << " = " << row.stored.toString().toStdString();
    }
}

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
    EXPECT_DOUBLE_EQ(
        QSettings(path(), QSettings::IniFormat).value(aikeys::autoApplyConfidence).toDouble(),
        0.955);
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
    store(aikeys::model, QStringLiteral("gpt-4.1-mini"));
    letOthersRead();
    AISettingsStore settings(path());
    QSignalSpy hasKey(&settings, &AISettingsStore::hasAPIKeyChanged);
    QSignalSpy canUse(&settings, &AISettingsStore::canUseAIChanged);
    settings.setLastErrorMessage(QStringLiteral("old failure"));

    settings.saveAPIKey(QStringLiteral("   ") + kKey + QStringLiteral("\n"));

    EXPECT_EQ(settings.cachedAPIKey(), kKey);
    EXPECT_TRUE(settings.canUseAI());
    EXPECT_EQ(hasKey.count(), 1);
    EXPECT_EQ(canUse.count(), 1);
    EXPECT_EQ(settings.connectionStatusMessage(),
              QStringLiteral("Key saved. Run a test before scanning."));
    EXPECT_FALSE(settings.lastErrorMessage().has_value());
    EXPECT_EQ(settings.apiKeyPreview(), QStringLiteral("sk-proj...WXYZ"));
    EXPECT_FALSE(othersMayRead());
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);

    settings.removeAPIKey();
    EXPECT_FALSE(settings.cachedAPIKey().has_value());
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("Not connected."));
    EXPECT_FALSE(testsupport::readBytes(path()).contains(kKey.toUtf8()));
    EXPECT_FALSE(AISettingsStore(path()).hasAPIKey());

    // A short key shows none of its letters; a blank one changes nothing.
    AISettingsStore other(dir.filePath(QStringLiteral("other.ini")));
    other.saveAPIKey(QStringLiteral("  \n\t "));
    EXPECT_FALSE(other.hasAPIKey());
    EXPECT_EQ(other.connectionStatusMessage(), QStringLiteral("Not tested."));
    EXPECT_FALSE(QFile::exists(other.settingsFilePath()));
    other.saveAPIKey(QStringLiteral("sk-short"));
    EXPECT_FALSE(other.apiKeyPreview().contains(QStringLiteral("short")));

    // A key file others may read is made private as soon as it is loaded.
    QFile::setPermissions(other.settingsFilePath(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | kOthersMayRead);
    EXPECT_TRUE(AISettingsStore(other.settingsFilePath()).hasAPIKey());
    EXPECT_FALSE(QFile::permissions(other.settingsFilePath()) & kOthersMayRead);
}

TEST_F(AISettingsStoreTest, AKeyThatCouldNotBeSavedIsReportedAndNotClaimed)
{
    // A plain file where the preferences folder should be: no user can write below it.
    testsupport::writeBytes(dir.filePath(QStringLiteral("prefs")), "");
    AISettingsStore settings(path());
    settings.saveAPIKey(kKey);
    EXPECT_TRUE(settings.lastErrorText().contains(path()))
        << settings.lastErrorText().toStdString();
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("The key was not saved."));
    EXPECT_FALSE(settings.hasAPIKey());

    // Once the folder can be made, the next save works, into a new private file.
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("prefs"))));
    settings.saveAPIKey(kKey);
    EXPECT_FALSE(settings.lastErrorMessage().has_value()) << settings.lastErrorText().toStdString();
    EXPECT_EQ(settings.connectionStatusMessage(),
              QStringLiteral("Key saved. Run a test before scanning."));
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);
    EXPECT_FALSE(QFile::permissions(path()) &
                 (kOthersMayRead | QFileDevice::WriteGroup | QFileDevice::WriteOther));
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
    EXPECT_EQ(settings.cachedAPIKey(), kKey);
    EXPECT_NE(settings.connectionStatusMessage(), QStringLiteral("Not connected."));
    EXPECT_TRUE(settings.lastErrorText().contains(path)) << settings.lastErrorText().toStdString();
    EXPECT_EQ(AISettingsStore(path).cachedAPIKey(), kKey);
}

TEST_F(AISettingsStoreTest, ConnectionTestReportsSuccessFailureAndMissingKey)
{
    ScriptedAIClient client;
    AISettingsStore settings(path(), &client);
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("Save an API key first."));
    EXPECT_TRUE(client.keys.isEmpty());

    settings.saveAPIKey(kKey);
    settings.setModel(QStringLiteral("gpt-5.5"));
    QSignalSpy testing(&settings, &AISettingsStore::isTestingConnectionChanged);
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("Connection test passed."));
    EXPECT_EQ(client.keys, QStringList{kKey});
    EXPECT_EQ(client.connectionModels, QStringList{QStringLiteral("gpt-5.5")});
    EXPECT_EQ(testing.count(), 2);

    client.connectionFailure = QStringLiteral("Incorrect API key provided.");
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), QStringLiteral("Connection test failed."));
    EXPECT_EQ(settings.lastErrorMessage(), QStringLiteral("Incorrect API key provided."));
    EXPECT_TRUE(settings.hasAPIKey());
    EXPECT_FALSE(settings.isTestingConnection());

    // A client that echoes the key does not get it shown.
    client.connectionFailure = QStringLiteral("Key ") + kKey + QStringLiteral(" was refused.");
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.lastErrorMessage(), QStringLiteral("Key [API key] was refused."));
}
