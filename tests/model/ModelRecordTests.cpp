#include "model/AnswerSource.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyTemplateDefinition.h"

#include <gtest/gtest.h>

TEST(SurveyConfiguration, ValidNeedsATitleAndAtLeastOneQuestion)
{
    SurveyConfiguration configuration;
    EXPECT_TRUE(configuration.isValid());
    configuration.title = " \n\t ";
    EXPECT_FALSE(configuration.isValid());
    configuration.title = "Autumn";
    configuration.questionCount = 0;
    EXPECT_FALSE(configuration.isValid());
    configuration.questionCount = -3;
    EXPECT_FALSE(configuration.isValid());
}

TEST(SurveyEnums, RawValuesReadBackAndUnknownTextsAreNoCase)
{
    for (auto mode : allDetectionModes())
        EXPECT_EQ(enumFromRawValue<SurveyDetectionMode>(rawValue(mode)), mode);
    for (auto mode : allDuplexModes())
        EXPECT_EQ(enumFromRawValue<DuplexMode>(rawValue(mode)), mode);
    for (auto side : allSides())
        EXPECT_EQ(enumFromRawValue<SurveySide>(rawValue(side)), side);
    for (auto preset : allTemplates())
        EXPECT_EQ(enumFromRawValue<SurveyTemplate>(rawValue(preset)), preset);
    EXPECT_FALSE(enumFromRawValue<SurveySide>("front").has_value());
    EXPECT_FALSE(enumFromRawValue<ScanStage>("").has_value());
}

TEST(AnswerSources, OneEntryPerCellKeptInOrder)
{
    AnswerSources sources;
    sources = withSource(sources, {2, 5, AnswerSource::reviewed});
    sources = withSource(sources, {1, 9, AnswerSource::edited});
    sources = withSource(sources, {2, 1, AnswerSource::edited});
    // A later hand edit of a reviewed cell replaces its entry.
    sources = withSource(sources, {2, 5, AnswerSource::edited});
    EXPECT_EQ(sources, (AnswerSources{{1, 9, AnswerSource::edited},
                                      {2, 1, AnswerSource::edited},
                                      {2, 5, AnswerSource::edited}}));
    EXPECT_EQ(sourceOf(sources, 2, 5), AnswerSource::edited);
    EXPECT_FALSE(sourceOf(sources, 2, 4).has_value()) << "read by the machine";
    EXPECT_EQ(withoutSurvey(sources, 2), (AnswerSources{{1, 9, AnswerSource::edited}}));
    for (AnswerSource source : {AnswerSource::reviewed, AnswerSource::edited})
        EXPECT_EQ(answerSourceNamed(storedName(source)), source);
    EXPECT_FALSE(answerSourceNamed("Reviewed").has_value());
}

// A later duplicate wins and numbers below 1 are dropped; all ignored falls
// back to the built-in questions only under their preset.
TEST(SurveyTemplateDefinition, QuestionsComeFromTheUsableFieldsWhoseOptionsSplitAndTrim)
{
    SurveyConfiguration configuration;
    configuration.templateFields = {
        {0, "zero", SurveyDetectionMode::singleChoice, "A"},
        {5, "first", SurveyDetectionMode::singleChoice, "A"},
        {5, "second", SurveyDetectionMode::written, ""},
    };
    const SurveyTemplateDefinition definition(configuration);
    ASSERT_EQ(definition.questions.size(), 1);
    EXPECT_EQ(definition.questions.value(5).text, "second");
    EXPECT_EQ(definition.questions.value(5).kind, SurveyTemplateDefinition::QuestionKind::written);

    configuration = SurveyConfiguration();
    for (auto& field : configuration.templateFields)
        field.detectionMode = SurveyDetectionMode::ignore;
    EXPECT_EQ(SurveyTemplateDefinition(configuration).questions.size(), 14);
    configuration.templatePreset = SurveyTemplate::custom;
    EXPECT_TRUE(SurveyTemplateDefinition(configuration).questions.isEmpty());

    SurveyTemplateField field{1, "Q", SurveyDetectionMode::singleChoice, " A ; B \n\n C "};
    EXPECT_EQ(field.options(), (QStringList{"A", "B", "C"}));
    field.optionsText = ";;\n;\n";
    EXPECT_TRUE(field.options().isEmpty());
}
