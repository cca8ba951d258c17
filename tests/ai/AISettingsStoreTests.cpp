#include "ai/AISettingsStore.h"

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
// Every preference as the screens read it, the mode by its label.
QVariantMap preferences(const AISettingsStore& settings)
{
    QVariantMap values{{"detectionMode", rawValue(settings.detectionMode())}};
    for (const char* name : {"model", "autoApplyConfidence", "maxAIReviewsPerBatch",
                             "sendsImagesToOpenAI", "hasShownFirstRunPrompt", "hasAPIKey"})
        values[name] = settings.property(name);
    return values;
}

bool othersMayRead(const QString& file)
{
    return QFile::permissions(file) & kOthersMayRead;
}

void letOthersRead(const QString& file)
{
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | kOthersMayRead);
}

class AISettingsStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("prefs/tallywicket.ini"); }
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
        {aikeys::maxReviewsPerBatch, 0, "maxAIReviewsPerBatch", 80},
        {aikeys::maxReviewsPerBatch, -3, "maxAIReviewsPerBatch", -3},
        {aikeys::maxReviewsPerBatch, "many", "maxAIReviewsPerBatch", 80},
        {aikeys::sendsImagesToOpenAI, "sometimes", "sendsImagesToOpenAI", true},
        {aikeys::sendsImagesToOpenAI, "0", "sendsImagesToOpenAI", false},
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

// Read back at the next start; 0.955 is above 0.92 and so loads as 0.92.
TEST_F(AISettingsStoreTest, SettersWriteThrough)
{
    {
        AISettingsStore settings(path());
        settings.setDetectionMode(AIDetectionMode::aiReview);
        settings.setModel("gpt-5.5");
        settings.setAutoApplyConfidence(0.955);
        settings.setMaxAIReviewsPerBatch(21);
        settings.setSendsImagesToOpenAI(false);
        settings.setHasShownFirstRunPrompt(true);
    }
    EXPECT_EQ(preferences(AISettingsStore(path())), (QVariantMap{{"detectionMode", "AI Review"},
                                                                 {"model", "gpt-5.5"},
                                                                 {"autoApplyConfidence", 0.92},
                                                                 {"maxAIReviewsPerBatch", 21},
                                                                 {"sendsImagesToOpenAI", false},
                                                                 {"hasShownFirstRunPrompt", true},
                                                                 {"hasAPIKey", false}}));
}

// A file others may read is made private by the first write, or as soon as
// it is loaded when it holds a key.
TEST_F(AISettingsStoreTest, SavingTrimsTheKeyAndKeepsTheFilePrivate)
{
    QSettings(path(), QSettings::IniFormat).setValue(aikeys::model, "gpt-4.1-mini");
    letOthersRead(path());
    AISettingsStore settings(path());
    settings.setLastErrorMessage("old failure");

    settings.saveAPIKey("   " + kKey + "\n");
    EXPECT_EQ(settings.cachedAPIKey(), kKey);
    EXPECT_TRUE(settings.canUseAI());
    EXPECT_EQ(settings.connectionStatusMessage(), "Key saved. Run a test before scanning.");
    EXPECT_FALSE(settings.lastErrorMessage().has_value());
    EXPECT_EQ(settings.apiKeyPreview(), "sk-proj...WXYZ");
    EXPECT_FALSE(othersMayRead(path()));
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);

    settings.removeAPIKey();
    EXPECT_EQ(settings.connectionStatusMessage(), "Not connected.");
    EXPECT_FALSE(testsupport::readBytes(path()).contains(kKey.toUtf8()));
    EXPECT_FALSE(AISettingsStore(path()).hasAPIKey());

    // A blank key changes nothing; a short one shows none of its letters.
    AISettingsStore other(dir.filePath("other.ini"));
    other.saveAPIKey("  \n\t ");
    EXPECT_EQ(other.connectionStatusMessage(), "Not tested.");
    EXPECT_FALSE(QFile::exists(other.settingsFilePath()));
    other.saveAPIKey("sk-short");
    EXPECT_FALSE(other.apiKeyPreview().contains("short"));
    letOthersRead(other.settingsFilePath());
    EXPECT_TRUE(AISettingsStore(other.settingsFilePath()).hasAPIKey());
    EXPECT_FALSE(othersMayRead(other.settingsFilePath()));
}

// A key that could not be saved, or removed, is reported and the store
// claims only what the file holds.
TEST_F(AISettingsStoreTest, AKeyThatCouldNotBeSavedOrRemovedIsReported)
{
    // A plain file where the preferences folder should be: no user can write below it.
    testsupport::writeBytes(dir.filePath("prefs"), "");
    AISettingsStore settings(path());
    settings.saveAPIKey(kKey);
    EXPECT_TRUE(settings.lastErrorText().contains(path()))
        << settings.lastErrorText().toStdString();
    EXPECT_EQ(settings.connectionStatusMessage(), "The key was not saved.");
    EXPECT_FALSE(settings.hasAPIKey());

    // Once the folder can be made, the next save works, into a new private file.
    ASSERT_TRUE(QFile::remove(dir.filePath("prefs")));
    settings.saveAPIKey(kKey);
    EXPECT_FALSE(settings.lastErrorMessage().has_value()) << settings.lastErrorText().toStdString();
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);
    EXPECT_FALSE(QFile::permissions(path()) &
                 (kOthersMayRead | QFileDevice::WriteGroup | QFileDevice::WriteOther));

    {
        // The file without the key cannot be written, as on a full disk.
        testsupport::FileSizeCap cap(8);
        settings.removeAPIKey();
    }
    EXPECT_EQ(settings.cachedAPIKey(), kKey);
    EXPECT_EQ(settings.connectionStatusMessage(), "The key was not removed.");
    EXPECT_TRUE(settings.lastErrorText().contains(path()));
    EXPECT_EQ(AISettingsStore(path()).cachedAPIKey(), kKey);
}

TEST_F(AISettingsStoreTest, ConnectionTestReportsSuccessFailureAndMissingKey)
{
    ScriptedAIClient client;
    AISettingsStore settings(path(), &client);
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), "Save an API key first.");

    settings.saveAPIKey(kKey);
    settings.setModel("gpt-5.5");
    QSignalSpy testing(&settings, &AISettingsStore::isTestingConnectionChanged);
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), "Connection test passed.");
    EXPECT_EQ(client.keys, QStringList{kKey});
    EXPECT_EQ(client.connectionModels, QStringList{"gpt-5.5"});
    EXPECT_EQ(testing.count(), 2);

    // A client that echoes the key does not get it shown.
    client.connectionFailure = "Key " + kKey + " was refused.";
    testsupport::runTask(settings.testConnection());
    EXPECT_EQ(settings.connectionStatusMessage(), "Connection test failed.");
    EXPECT_EQ(settings.lastErrorMessage(), "Key [API key] was refused.");
    EXPECT_TRUE(settings.hasAPIKey());
    EXPECT_FALSE(settings.isTestingConnection());
}
