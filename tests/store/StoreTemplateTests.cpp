#include "StoreFixture.h"

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
    const auto readCSV = [&] {
        QFile file(path(QStringLiteral("t/answers.csv")));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll());
    };

    store.updateTemplateField(field(2, QStringLiteral("Renamed question")));
    EXPECT_TRUE(readCSV().contains(QStringLiteral("Renamed question")));
    EXPECT_FALSE(store.isProjectDirty());
    EXPECT_EQ(readProjectFile(path(QStringLiteral("t/project.twk"))).configuration,
              store.configuration());

    const QString csvBefore = readCSV();
    store.addTemplateField();
    EXPECT_EQ(readCSV(), csvBefore);
    EXPECT_EQ(readProjectFile(path(QStringLiteral("t/project.twk"))).configuration.questionCount,
              15);
}
