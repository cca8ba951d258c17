#include "StoreFixture.h"

class StoreDiscovery : public StoreFixture
{
protected:
    StoreDiscovery()
    {
        connectScanner();
        reader.answer = [](const QList<ScanPage>&) {
            SurveyExtractionResult result;
            result.responses = {{1, {}, {QStringLiteral("ignored")}}};
            result.questions = {{1, QStringLiteral("Your name")},
                                {2, QStringLiteral("Question 2")},
                                {16, QStringLiteral("Why did you come?")}};
            return result;
        };
    }
};

TEST_F(StoreDiscovery, TemplateScanProposesFieldsLeavingSurveysAloneAndACancelChangesNothing)
{
    runBatch(1);
    const auto pages = store.pages();
    const auto responses = store.responses();
    const auto configuration = store.configuration();
    ScanBatchResult canceled = makeScannedBatch(1, 2);
    canceled.endedEarly =
        ScanEarlyEnd{ScanStopCause::canceled, QStringLiteral("The scan was canceled.")};
    scanner.scripted.enqueue(canceled);
    QCoro::waitFor(store.scanTemplatePage());
    EXPECT_EQ(store.stage(), ScanStage::idle);
    EXPECT_EQ(store.errorMessage(), QStringLiteral("The scan was canceled."));
    EXPECT_EQ(store.configuration(), configuration);
    EXPECT_EQ(reader.readPages.size(), 1);

    scanner.scripted.enqueue(makeScannedBatch(1, 2));
    QCoro::waitFor(store.scanTemplatePage());
    EXPECT_EQ(store.stage(), ScanStage::finished);
    EXPECT_EQ(scanner.scanConfigurations.last().questionCount, 60);
    EXPECT_FALSE(reader.allQuestionFlags.last());
    EXPECT_EQ(store.pages(), pages);
    EXPECT_EQ(store.responses(), responses);
    EXPECT_EQ(store.templateField(1)->prompt, QStringLiteral("Your name"));
    EXPECT_EQ(store.templateField(16)->detectionMode, SurveyDetectionMode::written);
    EXPECT_EQ(store.configuration().questionCount, 16);
    EXPECT_EQ(store.detectedQuestions().size(), 16);
}

TEST_F(StoreDiscovery, ProjectsCannotBeReplacedWhileABatchRuns)
{
    Gate readGate;
    reader.gate = &readGate;
    reader.answer = [](const QList<ScanPage>& pages) { return answerAll(pages, 14, false); };
    scanner.scripted.enqueue(makeScannedBatch(2, 1));
    auto batch = store.startScanBatch();
    store.newProject();
    panels.answers.enqueue(path(QStringLiteral("other.twk")));
    store.openProject();
    EXPECT_TRUE(panels.discardQuestions.isEmpty());
    EXPECT_TRUE(panels.requests.isEmpty());
    EXPECT_EQ(store.errorMessage(), QStringLiteral("Wait for the running scan to finish first."));
    readGate.open();
    QCoro::waitFor(std::move(batch));
    EXPECT_EQ(store.responses().size(), 2);
    EXPECT_FALSE(store.errorMessage());
}
