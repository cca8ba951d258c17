#include "ScriptedAIClient.h"
#include "StoreFixture.h"

namespace {

// The client is a base so that it is there before the store that borrows it.
struct WithClient
{
    ScriptedAIClient client;
};

// The workflow store with its AI steps running against a scripted client.
class StoreAISteps : public WithClient, public StoreFixture
{
protected:
    StoreAISteps() : StoreFixture(&client)
    {
        settings.saveAPIKey("sk-store-ai-steps-0123456789");
        reader.answer = [](const QList<ScanPage>& pages) { return answerAll(pages, 14, true); };
        connectScanner();
    }
};

} // namespace

// Hybrid fills confident answers; a later AI First batch replaces the
// reader's answers of its own surveys and leaves the earlier ones alone.
TEST_F(StoreAISteps, EachModeWritesItsAnswersAndShowsItsProgress)
{
    settings.setDetectionMode(AIDetectionMode::hybrid);
    client.crops[2] = AIAnswerSuggestion{"B", 0.97, false, QString()};
    QStringList aiTexts;
    QObject::connect(&store, &SurveyScanStore::lastAIStatusMessageChanged,
                     [&](const QString& text) { aiTexts << text; });
    runBatch(2);
    EXPECT_TRUE(aiTexts.contains("AI is checking review images 1-2 of 2..."));
    EXPECT_EQ(std::tuple(store.lastAIStatusMessage(), store.lastAIAttemptCount(),
                         store.lastAIAutoAppliedCount(), store.lastAIErrorCount()),
              std::tuple(QString("AI checked 2 review images and auto-filled 2."), 2, 2, 0));
    EXPECT_EQ(store.answerValue(2, 2), "B");
    EXPECT_EQ(store.answerValue(2, 1), "A");
    EXPECT_TRUE(store.reviewItems().isEmpty());

    settings.setDetectionMode(AIDetectionMode::aiFirst);
    client.anyPage = QList<AIPageAnswer>{AIPageAnswer{1, "Male", 0.99, false, true, QString()},
                                         AIPageAnswer{3, "N/A", 0.0, false, false, QString()},
                                         AIPageAnswer{4, "Maybe", 0.4, true, true, "two rings"}};
    runBatch(2);
    EXPECT_TRUE(reader.allQuestionFlags.last());
    EXPECT_EQ(client.pageCalls.size(), 2);
    EXPECT_EQ(store.answerValue(3, 1), "Male");
    // Everything the model did not fill is blank, not the reader's "A".
    EXPECT_EQ(store.answerValue(3, 2), "N/A");
    EXPECT_EQ(store.answerValue(4, 3), "N/A");
    EXPECT_EQ(store.answerValue(1, 2), "B");
    ASSERT_EQ(store.reviewItems().size(), 2);
    EXPECT_EQ(store.reviewItems()[0].questionNumber, 4);
    EXPECT_EQ(store.reviewItems()[0].reviewNote, "AI First review: two rings");
    EXPECT_EQ(store.lastAIStatusMessage(), "AI First read 2 pages and auto-filled 2 answers.");
}
