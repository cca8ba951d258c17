#include "reading/TemplateDiscovery.h"

#include <gtest/gtest.h>

namespace {
SurveyConfiguration configurationOf(qint64 count)
{
    SurveyConfiguration configuration;
    configuration.templateFields.clear();
    for (qint64 n = 1; n <= count; ++n)
        configuration.templateFields.append({n, QStringLiteral("Q%1 text").arg(n),
                                             SurveyDetectionMode::singleChoice,
                                             QStringLiteral("Yes\nNo")});
    configuration.questionCount = count;
    return configuration;
}
} // namespace

TEST(TemplateDiscovery, ConfigurationAsksForGenericQuestionsUpToSixtyOrMore)
{
    SurveyConfiguration small = configurationOf(12);
    small.title = QStringLiteral("Kept");
    small.reviewThreshold = 0.5;
    const auto discovery = makeTemplateDiscoveryConfiguration(small);
    EXPECT_EQ(discovery.questionCount, 60);
    ASSERT_EQ(discovery.templateFields.size(), 60);
    EXPECT_EQ(discovery.templateFields[41].prompt, QStringLiteral("Question 42"));
    EXPECT_TRUE(discovery.templateFields[41].optionsText.isEmpty());
    EXPECT_EQ(discovery.templatePreset, SurveyTemplate::custom);
    EXPECT_EQ(discovery.title, QStringLiteral("Kept"));
    EXPECT_EQ(discovery.reviewThreshold, 0.5);

    EXPECT_EQ(makeTemplateDiscoveryConfiguration(configurationOf(80)).templateFields.size(), 80);
}

TEST(TemplateDiscovery, WordingSuggestsTheAnswerKind)
{
    const std::pair<const char*, SurveyDetectionMode> rows[] = {
        {"CHECK ALL that apply. Why?", SurveyDetectionMode::multipleChoice},
        {"Why did you come?", SurveyDetectionMode::written},
        {"Please explain", SurveyDetectionMode::written},
        {"Your favorite part", SurveyDetectionMode::written},
        {"The hardest part", SurveyDetectionMode::written},
        {"Any suggestions?", SurveyDetectionMode::written},
        {"Other: ____", SurveyDetectionMode::written},
        {"Other", SurveyDetectionMode::singleChoice},
        {"", SurveyDetectionMode::singleChoice},
    };
    for (const auto& [wording, mode] : rows)
        EXPECT_EQ(inferredDetectionMode(QString::fromUtf8(wording)), mode) << wording;
}

TEST(TemplateDiscovery, WhyQuestionBecomesWrittenUnlessItHasOptions)
{
    SurveyConfiguration configuration = configurationOf(10);
    configuration.templateFields[4].optionsText = QStringLiteral("  ");
    const auto result =
        applyDetectedQuestions(configuration, {{4, QStringLiteral(" Why did you pick it?\n")},
                                               {5, QStringLiteral("Why did you pick it?")},
                                               {7, QStringLiteral("QUESTION 7")},
                                               {8, QStringLiteral("  ")}});
    EXPECT_EQ(result.templateFields[3].prompt, QStringLiteral("Why did you pick it?"));
    EXPECT_EQ(result.templateFields[3].detectionMode, SurveyDetectionMode::singleChoice);
    EXPECT_EQ(result.templateFields[4].detectionMode, SurveyDetectionMode::written);
    EXPECT_EQ(result.templateFields[6].prompt, QStringLiteral("Q7 text"));
    EXPECT_EQ(result.templateFields[7].prompt, QStringLiteral("Q8 text"));
    EXPECT_EQ(result.templatePreset, SurveyTemplate::custom);
}

TEST(TemplateDiscovery, TemplateGrowsButNeverShrinks)
{
    QList<SurveyQuestion> upTo14;
    for (qint64 n = 1; n <= 14; ++n)
        upTo14.append({n, QStringLiteral("Printed %1").arg(n)});
    const auto grown = applyDetectedQuestions(configurationOf(10), upTo14);
    EXPECT_EQ(grown.questionCount, 14);
    ASSERT_EQ(grown.templateFields.size(), 14);
    EXPECT_EQ(grown.templateFields[12].prompt, QStringLiteral("Printed 13"));
    EXPECT_EQ(grown.templateFields[12].number, 13);
    EXPECT_TRUE(grown.templateFields[12].optionsText.isEmpty());

    const auto kept = applyDetectedQuestions(configurationOf(10), upTo14.mid(0, 8));
    EXPECT_EQ(kept.questionCount, 10);
    EXPECT_EQ(kept.templateFields.size(), 10);

    SurveyConfiguration empty = configurationOf(0);
    const auto one = applyDetectedQuestions(empty, {});
    EXPECT_EQ(one.questionCount, 1);
    ASSERT_EQ(one.templateFields.size(), 1);
    EXPECT_EQ(one.templateFields[0].prompt, QStringLiteral("Question 1"));
}

TEST(TemplateDiscovery, UsefulDetectionsDropGenericAndBlankText)
{
    const auto useful = usefulTemplateDetections(
        {{1, QStringLiteral("question 1")}, {2, QStringLiteral(" Grade \n")}, {3, QString()}});
    EXPECT_EQ(useful, (QList<SurveyQuestion>{{2, QStringLiteral("Grade")}}));
}
