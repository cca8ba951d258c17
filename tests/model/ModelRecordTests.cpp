#include "model/QuestionReviewItem.h"
#include "model/SurveyConfiguration.h"
#include "model/SurveyResponse.h"
#include "model/SurveyTemplateDefinition.h"

#include <gtest/gtest.h>

TEST(SurveyConfiguration, ValidNeedsATitleAndAtLeastOneQuestion)
{
    SurveyConfiguration configuration;
    EXPECT_TRUE(configuration.isValid());
    configuration.title = QStringLiteral(" \n\t ");
    EXPECT_FALSE(configuration.isValid());
    configuration.title = QStringLiteral("Autumn");
    configuration.questionCount = 0;
    EXPECT_FALSE(configuration.isValid());
    configuration.questionCount = -3;
    EXPECT_FALSE(configuration.isValid());
}

TEST(QuestionReviewItem, TitleNamesSurveyAndQuestion)
{
    QuestionReviewItem item;
    item.surveyNumber = 12;
    item.questionNumber = 3;
    EXPECT_EQ(item.displayTitle(), QStringLiteral("Survey 12, Q3"));
}

TEST(SurveyResponse, EqualityCoversTheAnswers)
{
    const SurveyResponse a{3, {}, {"Yes"}};
    const SurveyResponse b{3, {}, {"No"}};
    EXPECT_NE(a, b);
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
    EXPECT_EQ(rawValue(SurveyDetectionMode::multipleChoice), QStringLiteral("Checkboxes"));
    EXPECT_EQ(rawValue(DuplexMode::manual), QStringLiteral("Manual two-sided"));
    EXPECT_FALSE(enumFromRawValue<SurveySide>(QStringLiteral("front")).has_value());
    EXPECT_FALSE(enumFromRawValue<ScanStage>(QStringLiteral("")).has_value());
}

TEST(BuiltInTemplate, FourteenQuestionsWithThreeWrittenOnes)
{
    const auto fields = SurveyTemplateField::defaults(SurveyTemplate::krda2026);
    ASSERT_EQ(fields.size(), 14);
    EXPECT_EQ(fields, SurveyTemplateField::defaults(SurveyTemplate::krda2026));
    QList<qint64> written;
    for (const auto& field : fields) {
        if (field.detectionMode == SurveyDetectionMode::written) {
            written.append(field.number);
            EXPECT_TRUE(field.optionsText.isEmpty());
        }
    }
    EXPECT_EQ(written, (QList<qint64>{10, 13, 14}));
    EXPECT_EQ(fields.at(0).optionsText, QStringLiteral("Male\nFemale\nPrefer not to answer"));
    EXPECT_EQ(fields.at(3).options().last(), QStringLiteral("Home/Private"));
    EXPECT_EQ(SurveyTemplateDefinition(SurveyConfiguration{}).questions,
              SurveyTemplateDefinition::krdaQuestions());
}
