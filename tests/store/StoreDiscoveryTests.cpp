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
