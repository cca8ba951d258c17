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

// Detected wording fills the rows: blank or generic text does not, a "why"
// question is written unless it has options, and rows are added, never dropped.
TEST(TemplateDiscovery, DetectedWordingFillsRowsAndGrowsTheTemplate)
{
    SurveyConfiguration configuration = configurationOf(10);
    configuration.templateFields[4].optionsText = QStringLiteral("  ");
    QList<SurveyQuestion> detected{{4, QStringLiteral(" Why did you pick it?\n")},
                                   {5, QStringLiteral("Why did you pick it?")},
                                   {7, QStringLiteral("QUESTION 7")},
                                   {8, QStringLiteral("  ")},
                                   {13, QStringLiteral("Printed 13")}};
    const auto result = applyDetectedQuestions(configuration, detected);
    EXPECT_EQ(result.questionCount, 13);
    ASSERT_EQ(result.templateFields.size(), 13);
    EXPECT_EQ(result.templateFields[3].prompt, QStringLiteral("Why did you pick it?"));
    EXPECT_EQ(result.templateFields[3].detectionMode, SurveyDetectionMode::singleChoice);
    EXPECT_EQ(result.templateFields[4].detectionMode, SurveyDetectionMode::written);
    EXPECT_EQ(result.templateFields[6].prompt, QStringLiteral("Q7 text"));
    EXPECT_EQ(result.templateFields[7].prompt, QStringLiteral("Q8 text"));
    EXPECT_EQ(result.templateFields[12],
              (SurveyTemplateField{13, QStringLiteral("Printed 13"),
                                   SurveyDetectionMode::singleChoice, QString()}));
    EXPECT_EQ(result.templatePreset, SurveyTemplate::custom);

    EXPECT_EQ(applyDetectedQuestions(configurationOf(10), detected.mid(0, 4)).questionCount, 10);
    EXPECT_EQ(applyDetectedQuestions(configurationOf(0), {}).templateFields,
              (QList<SurveyTemplateField>{{1, QStringLiteral("Question 1"),
                                           SurveyDetectionMode::singleChoice, QString()}}));
    EXPECT_EQ(
        usefulTemplateDetections(
            {{1, QStringLiteral("question 1")}, {2, QStringLiteral(" Grade \n")}, {3, QString()}}),
        (QList<SurveyQuestion>{{2, QStringLiteral("Grade")}}));
}
