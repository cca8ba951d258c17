#include "ScriptedAIClient.h"
#include "StoreFakes.h"
#include "TestSupport.h"

#include "ai/AISettingsStore.h"
#include "store/SurveyScanStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testsupport::runTask;

QStringList texts(const QSignalSpy& spy)
{
    QStringList result;
    for (const auto& args : spy)
        result.append(args.at(0).toString());
    return result;
}

// The workflow store with its AI steps running against a scripted client.
class StoreAISteps : public ::testing::Test
{
protected:
    StoreAISteps()
        : settings(dir.filePath(QStringLiteral("settings.ini"))),
          store(&scanner, &reader, &settings, &client, &panels)
    {
        settings.saveAPIKey(QStringLiteral("sk-store-ai-steps-0123456789"));
        reader.answer = [](const QList<ScanPage>& pages) { return answerAll(pages, 14, true); };
        scanner.devices = {onlineScanner()};
        runTask(store.refreshScanners());
        store.selectScanner(QStringLiteral("test:0"));
    }

    void runBatch(int sheets)
    {
        scanner.scripted.enqueue(makeScannedBatch(sheets, 1));
        runTask(store.startScanBatch());
    }

    QTemporaryDir dir;
    FakeScannerService scanner;
    FakeExtractionService reader;
    FakeFilePanels panels;
    ScriptedAIClient client;
    AISettingsStore settings;
    SurveyScanStore store;
};

} // namespace

TEST_F(StoreAISteps, HybridFillsConfidentAnswersAndShowsItsProgress)
{
    settings.setDetectionMode(AIDetectionMode::hybrid);
    client.crops[2] = AIAnswerSuggestion{QStringLiteral("B"), 0.97, false, QString()};
    QSignalSpy status(&store, &SurveyScanStore::statusMessageChanged);
    QSignalSpy aiStatus(&store, &SurveyScanStore::lastAIStatusMessageChanged);

    runBatch(2);

    EXPECT_TRUE(texts(status).contains(QStringLiteral("Using AI to verify uncertain answers...")));
    EXPECT_TRUE(
        texts(aiStatus).contains(QStringLiteral("AI is checking review images 1-2 of 2...")));
    EXPECT_EQ(store.lastAIStatusMessage(),
              QStringLiteral("AI checked 2 review images and auto-filled 2."));
    EXPECT_EQ(store.lastAIAttemptCount(), 2);
    EXPECT_EQ(store.lastAIAutoAppliedCount(), 2);
    EXPECT_EQ(store.lastAIErrorCount(), 0);
    EXPECT_EQ(store.answerValue(1, 2), QStringLiteral("B"));
    EXPECT_EQ(store.answerValue(2, 2), QStringLiteral("B"));
    EXPECT_EQ(store.answerValue(2, 1), QStringLiteral("A"));
    EXPECT_TRUE(store.reviewItems().isEmpty());
}

TEST_F(StoreAISteps, AIFirstReplacesTheReadersAnswers)
{
    settings.setDetectionMode(AIDetectionMode::aiFirst);
    client.anyPage = QList<AIPageAnswer>{
        AIPageAnswer{1, QStringLiteral("Male"), 0.99, false, true, QString()},
        AIPageAnswer{3, QStringLiteral("N/A"), 0.0, false, false, QString()},
        AIPageAnswer{4, QStringLiteral("Maybe"), 0.4, true, true, QStringLiteral("two rings")}};

    runBatch(2);

    EXPECT_TRUE(reader.allQuestionFlags.last());
    EXPECT_EQ(client.pageCalls.size(), 2);
    EXPECT_EQ(store.answerValue(1, 1), QStringLiteral("Male"));
    // Everything the model did not fill is blank, not the reader's "A".
    EXPECT_EQ(store.answerValue(1, 2), QStringLiteral("N/A"));
    EXPECT_EQ(store.answerValue(2, 3), QStringLiteral("N/A"));
    ASSERT_EQ(store.reviewItems().size(), 2);
    EXPECT_EQ(store.reviewItems()[0].questionNumber, 4);
    EXPECT_EQ(store.reviewItems()[0].reviewNote, QStringLiteral("AI First review: two rings"));
    EXPECT_EQ(store.lastAIStatusMessage(),
              QStringLiteral("AI First read 2 pages and auto-filled 2 answers."));
}
