#include "StoreFixture.h"
#include "TestSupport.h"

#include "files/SurveyProjectDocument.h"
#include "model/BuiltInTemplate.h"

using StoreTemplate = StoreFixture;

namespace {
SurveyTemplateField field(qint64 number, const QString& prompt,
                          SurveyDetectionMode mode = SurveyDetectionMode::singleChoice,
                          const QString& options = {})
{
    return {number, prompt, mode, options};
}
} // namespace

TEST_F(StoreTemplate, PresetRestoresBuiltInFieldsAndQuestions)
{
    store.updateTemplateField(field(3, QStringLiteral("Edited")));
    store.addTemplateField();
    store.applyTemplatePreset(SurveyTemplate::krda2026);
    EXPECT_EQ(store.configuration().templateFields, krdaTemplateFields());
    EXPECT_EQ(store.configuration().questionCount, 14);
    ASSERT_EQ(store.detectedQuestions().size(), 14);
    EXPECT_EQ(store.detectedQuestions()[2].text, krdaTemplateFields()[2].prompt);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Template set to KRDA 2026."));

    store.applyTemplatePreset(SurveyTemplate::custom);
    EXPECT_EQ(store.configuration().templateFields[0].prompt, QStringLiteral("Question 1"));
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Template set to Custom."));
    EXPECT_TRUE(store.isProjectDirty());
}

TEST_F(StoreTemplate, EditingARowReplacesItAndTurnsCustom)
{
    store.updateTemplateField(
        field(3, QStringLiteral("Favourite lunch?"), SurveyDetectionMode::written));
    EXPECT_EQ(store.templateField(3)->prompt, QStringLiteral("Favourite lunch?"));
    EXPECT_EQ(store.templateField(3)->detectionMode, SurveyDetectionMode::written);
    EXPECT_EQ(store.configuration().templatePreset, SurveyTemplate::custom);
    EXPECT_EQ(store.configuration().templateFields.size(), 14);
    ASSERT_GE(store.detectedQuestions().size(), 3);
    EXPECT_EQ(store.detectedQuestions()[2].text, QStringLiteral("Favourite lunch?"));

    const auto before = store.configuration();
    store.updateTemplateField(field(0, QStringLiteral("Nothing")));
    EXPECT_EQ(store.configuration(), before);

    store.updateTemplateField(field(30, QStringLiteral("Thirty")));
    EXPECT_EQ(store.configuration().templateFields.last().number, 30);
    EXPECT_EQ(store.configuration().questionCount, 30);
    EXPECT_EQ(store.detectedQuestions().size(), 30);
    // Scans ask for every question up to the highest number.
    connectScanner();
    runBatch(1);
    EXPECT_EQ(scanner.scanConfigurations.last().questionCount, 30);
}

TEST_F(StoreTemplate, AddingAndDeletingRowsKeepTheCountAtTheHighestNumber)
{
    store.addTemplateField();
    EXPECT_EQ(store.configuration().templateFields.last(),
              field(15, QStringLiteral("Question 15")));
    EXPECT_EQ(store.configuration().questionCount, 15);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Added question 15 to the template."));
    store.deleteTemplateField(field(5, {}));
    EXPECT_EQ(store.configuration().templateFields.size(), 14);
    EXPECT_EQ(store.configuration().questionCount, 15);
    EXPECT_EQ(store.statusMessage(), QStringLiteral("Removed question 5 from the template."));
    store.deleteTemplateField(field(15, {}));
    EXPECT_EQ(store.configuration().questionCount, 14);

    SurveyConfiguration one = store.configuration();
    one.templateFields = {field(4, QStringLiteral("Only"))};
    store.setConfiguration(one);
    store.deleteTemplateField(field(4, {}));
    EXPECT_EQ(store.configuration().questionCount, 1);
    store.addTemplateField();
    EXPECT_EQ(store.configuration().templateFields,
              (QList<SurveyTemplateField>{field(1, QStringLiteral("Question 1"))}));
}

TEST_F(StoreTemplate, EditsAreWrittenThroughToProjectAndCSV)
{
    connectScanner();
    runBatch(1);
    panels.answers.enqueue(path(QStringLiteral("t/project.twk")));
    store.saveProjectAs();
    panels.answers.enqueue(path(QStringLiteral("t/answers.csv")));
    store.chooseCSVFile();
    const QString csv = path(QStringLiteral("t/answers.csv"));

    store.updateTemplateField(field(2, QStringLiteral("Renamed question")));
    EXPECT_TRUE(testsupport::readText(csv).contains(QStringLiteral("Renamed question")));
    EXPECT_FALSE(store.isProjectDirty());
    EXPECT_EQ(readProjectFile(path(QStringLiteral("t/project.twk"))).configuration,
              store.configuration());

    const QString csvBefore = testsupport::readText(csv);
    store.addTemplateField();
    EXPECT_EQ(testsupport::readText(csv), csvBefore);
    EXPECT_EQ(readProjectFile(path(QStringLiteral("t/project.twk"))).configuration.questionCount,
              15);
}

TEST_F(StoreTemplate, TemplateScanProposesFieldsLeavingSurveysAloneAndACancelChangesNothing)
{
    connectScanner();
    reader.answer = [](const QList<ScanPage>& pages) {
        SurveyExtractionResult result = answerAll(pages, 14, false);
        result.questions = {{1, QStringLiteral("Your name")},
                            {2, QStringLiteral("Question 2")},
                            {16, QStringLiteral("Why did you come?")}};
        return result;
    };
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
