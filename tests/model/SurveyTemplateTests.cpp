#include "model/SurveyConfiguration.h"
#include "model/SurveyTemplateDefinition.h"

#include <gtest/gtest.h>

TEST(SurveyTemplateField, OptionsSplitAtNewlinesAndSemicolonsAndTrim)
{
    SurveyTemplateField field{1, "Q", SurveyDetectionMode::singleChoice, " A ; B \n\n C "};
    EXPECT_EQ(field.options(), (QStringList{"A", "B", "C"}));
    field.optionsText = ";;\n;\n";
    EXPECT_TRUE(field.options().isEmpty());
}

TEST(SurveyTemplateDefinition, AllIgnoredFallsBackOnlyUnderBuiltInPreset)
{
    SurveyConfiguration configuration;
    for (auto& field : configuration.templateFields)
        field.detectionMode = SurveyDetectionMode::ignore;
    EXPECT_EQ(SurveyTemplateDefinition(configuration).questions.size(), 14);
    configuration.templatePreset = SurveyTemplate::custom;
    EXPECT_TRUE(SurveyTemplateDefinition(configuration).questions.isEmpty());
}

TEST(SurveyTemplateDefinition, LaterDuplicateWinsAndNonPositiveNumbersAreDropped)
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
}
