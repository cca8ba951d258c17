#include "ai/AISettingsStore.h"

#include "ScratchFileSystem.h"
#include "ScriptedAIClient.h"
#include "TestSupport.h"

#include <QFile>
#include <QMetaProperty>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

const QString kKey = QStringLiteral("sk-proj-ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcWXYZ");
constexpr auto kOthersMayRead = QFileDevice::ReadGroup | QFileDevice::ReadOther;
const char* const kPreferences[] = {"model",
                                    "autoApplyConfidence",
                                    "maxAIReviewsPerBatch",
                                    "sendsImagesToOpenAI",
                                    "hasShownFirstRunPrompt",
                                    "hasAPIKey"};

// Every preference as the screens read it, the mode by its label.
QVariantMap preferences(const AISettingsStore& settings)
{
    QVariantMap values{{"detectionMode", rawValue(settings.detectionMode())}};
    for (const char* name : kPreferences)
        values[name] = settings.property(name);
    return values;
}

class AISettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("prefs/tallywicket.ini")); }
    bool othersMayRead(const QString& file) const
    {
        return QFile::permissions(file) & kOthersMayRead;
    }
    void letOthersRead(const QString& file)
    {
        QFile::setPermissions(file,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | kOthersMayRead);
    }
};

} // namespace

TEST_F(AISettingsStoreTest, StoredValuesLoadByTheirRules)
{
    const struct
    {
        const char* key;
        QVariant stored;
        const char* preference;
        QVariant expected;
    } rows[] = {
        {aikeys::detectionMode, "AI First", "detectionMode", "AI First"},
        {aikeys::detectionMode, "local only", "detectionMode", "Hybrid"},
        {aikeys::model, " gpt-5.5 ", "model", " gpt-5.5 "},
        {aikeys::autoApplyConfidence, 0.95, "autoApplyConfidence", 0.92},
        {aikeys::autoApplyConfidence, 0.90, "autoApplyConfidence", 0.90},
        {aikeys::autoApplyConfidence, "high", "autoApplyConfidence", 0.92},
        {aikeys::autoApplyConfidence, -0.5, "autoApplyConfidence", 0.92},
        {aikeys::maxReviewsPerBatch, 0, "maxAIReviewsPerBatch", 80},
        {aikeys::maxReviewsPerBatch, -3, "maxAIReviewsPerBatch", -3},
        {aikeys::maxReviewsPerBatch, "many", "maxAIReviewsPerBatch", 80},
        {aikeys::sendsImagesToOpenAI, "sometimes", "sendsImagesToOpenAI", true},
        {aikeys::sendsImagesToOpenAI, "0", "sendsImagesToOpenAI", false},
        {aikeys::hasShownFirstRunPrompt, true, "hasShownFirstRunPrompt", true},
        {aikeys::hasShownFirstRunPrompt, "maybe", "hasShownFirstRunPrompt", false},
        {aikeys::openAIAPIKey, "", "hasAPIKey", false},
        {aikeys::openAIAPIKey, "sk-abc", "hasAPIKey", true},
    };
    for (const auto& row : rows) {
        QFile::remove(path());
        QSettings(path(), QSettings::IniFormat).setValue(QLatin1String(row.key), row.stored);
        EXPECT_EQ(preferences(AISettingsStore(path()))[row.preference], row.expected)
            << row.key << " = " << row.stored.toString().toStdString();
    }
}

TEST_F(AISettingsStoreTest, SettersWriteThroughAndSignalOnlyRealChanges)
{
    const QVariantMap changes{{"model", "gpt-5.5"},
                              {"autoApplyConfidence", 0.955},
                              {"maxAIReviewsPerBatch", 21},
                              {"sendsImagesToOpenAI", false},
                              {"hasShownFirstRunPrompt", true}};
    {
        AISettingsStore settings(path());
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        spies.push_back(
            std::make_unique<QSignalSpy>(&settings, &AISettingsStore::detectionModeChanged));
        const QMetaObject* meta = settings.metaObject();
        for (const QString& name : changes.keys())
            spies.push_back(std::make_unique<QSignalSpy>(
                &settings, meta->property(meta->indexOfProperty(name.toLatin1())).notifySignal()));
        for (int i = 0; i < 2; ++i) {
            settings.setDetectionMode(AIDetectionMode::aiReview);
            for (auto [name, value] : changes.asKeyValueRange())
                EXPECT_TRUE(settings.setProperty(name.toLatin1(), value));
        }
        for (const auto& spy : spies)
            EXPECT_EQ(spy->count(), 1) << spy->signal().toStdString();
    }
    EXPECT_DOUBLE_EQ(
        QSettings(path(), QSettings::IniFormat).value(aikeys::autoApplyConfidence).toDouble(),
        0.955);
    // Read back at the next start; 0.955 is above 0.92 and so loads as 0.92.
    QVariantMap expected = changes;
    expected.insert(
        {{"detectionMode", "AI Review"}, {"autoApplyConfidence", 0.92}, {"hasAPIKey", false}});
    EXPECT_EQ(preferences(AISettingsStore(path())), expected);
}

TEST_F(AISettingsStoreTest, SavingTrimsTheKeyAndKeepsTheFilePrivate)
{
    // A file left readable by others is made private by the first write.
    QSettings(path(), QSettings::IniFormat).setValue(aikeys::model, "gpt-4.1-mini");
    letOthersRead(path());
    AISettingsStore settings(path());
    QSignalSpy hasKey(&settings, &AISettingsStore::hasAPIKeyChanged);
    QSignalSpy canUse(&settings, &AISettingsStore::canUseAIChanged);
    settings.setLastErrorMessage(QStringLiteral("old failure"));

    settings.saveAPIKey(QStringLiteral("   ") + kKey + QStringLiteral("\n"));
    EXPECT_EQ(settings.cachedAPIKey(), kKey);
    EXPECT_TRUE(settings.canUseAI());
    EXPECT_EQ(hasKey.count() + canUse.count(), 2);
    EXPECT_EQ(settings.connectionStatusMessage(), "Key saved. Run a test before scanning.");
    EXPECT_FALSE(settings.lastErrorMessage().has_value());
    EXPECT_EQ(settings.apiKeyPreview(), "sk-proj...WXYZ");
    EXPECT_FALSE(othersMayRead(path()));
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);

    settings.removeAPIKey();
    EXPECT_FALSE(settings.cachedAPIKey().has_value());
    EXPECT_EQ(settings.connectionStatusMessage(), "Not connected.");
    EXPECT_FALSE(testsupport::readBytes(path()).contains(kKey.toUtf8()));
    EXPECT_FALSE(AISettingsStore(path()).hasAPIKey());

    // A short key shows none of its letters; a blank one changes nothing.
    AISettingsStore other(dir.filePath(QStringLiteral("other.ini")));
    other.saveAPIKey(QStringLiteral("  \n\t "));
    EXPECT_FALSE(other.hasAPIKey());
    EXPECT_EQ(other.connectionStatusMessage(), "Not tested.");
    EXPECT_FALSE(QFile::exists(other.settingsFilePath()));
    other.saveAPIKey(QStringLiteral("sk-short"));
    EXPECT_FALSE(other.apiKeyPreview().contains("short"));

    // A key file others may read is made private as soon as it is loaded.
    letOthersRead(other.settingsFilePath());
    EXPECT_TRUE(AISettingsStore(other.settingsFilePath()).hasAPIKey());
    EXPECT_FALSE(othersMayRead(other.settingsFilePath()));
}

TEST_F(AISettingsStoreTest, AKeyThatCouldNotBeSavedIsReportedAndNotClaimed)
{
    // A plain file where the preferences folder should be: no user can write below it.
    testsupport::writeBytes(dir.filePath(QStringLiteral("prefs")), "");
    AISettingsStore settings(path());
    settings.saveAPIKey(kKey);
    EXPECT_TRUE(settings.lastErrorText().contains(path()))
        << settings.lastErrorText().toStdString();
    EXPECT_EQ(settings.connectionStatusMessage(), "The key was not saved.");
    EXPECT_FALSE(settings.hasAPIKey());

    // Once the folder can be made, the next save works, into a new private file.
    ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("prefs"))));
    settings.saveAPIKey(kKey);
    EXPECT_FALSE(settings.lastErrorMessage().has_value()) << settings.lastErrorText().toStdString();
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
    EXPECT_NE(settings.connectionStatusMessage(), "Not connected.");
    EXPECT_TRUE(settings.lastErrorText().contains(path)) << settings.lastErrorText().toStdString();
    EXPECT_EQ(AISettingsStore(path).cachedAPIKey(), kKey);
}

TEST_F(AISettingsStoreTest, ConnectionTestReportsSuccessFailureAndMissingKey)
{
    ScriptedAIClient client;
    AISettingsStore settings(path(), &client);
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), "Save an API key first.");
    EXPECT_TRUE(client.keys.isEmpty());

    settings.saveAPIKey(kKey);
    settings.setModel(QStringLiteral("gpt-5.5"));
    QSignalSpy testing(&settings, &AISettingsStore::isTestingConnectionChanged);
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), "Connection test passed.");
    EXPECT_EQ(client.keys, QStringList{kKey});
    EXPECT_EQ(client.connectionModels, QStringList{"gpt-5.5"});
    EXPECT_EQ(testing.count(), 2);

    client.connectionFailure = QStringLiteral("Incorrect API key provided.");
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), "Connection test failed.");
    EXPECT_EQ(settings.lastErrorMessage(), "Incorrect API key provided.");
    EXPECT_TRUE(settings.hasAPIKey());
    EXPECT_FALSE(settings.isTestingConnection());

    // A client that echoes the key does not get it shown.
    client.connectionFailure = QStringLiteral("Key ") + kKey + QStringLiteral(" was refused.");
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.lastErrorMessage(), "Key [API key] was refused.");
}
