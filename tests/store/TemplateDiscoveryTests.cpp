#include "reading/TemplateDiscovery.h"

#include <gtest/gtest.h>

// How detected wording fills the template is checked where the store scans one.
TEST(TemplateDiscovery, WordingSuggestsTheAnswerKind)
{
    const std::pair<const char*, SurveyDetectionMode> rows[] = {
        {"CHECK ALL that apply. Why?", SurveyDetectionMode::multipleChoice},
        {"Please explain", SurveyDetectionMode::written},
        {"Your favorite part", SurveyDetectionMode::written},
        {"Any suggestions?", SurveyDetectionMode::written},
        {"Other: ____", SurveyDetectionMode::written},
        {"Other", SurveyDetectionMode::singleChoice},
        {"", SurveyDetectionMode::singleChoice},
    };
    for (const auto& [wording, mode] : rows)
        EXPECT_EQ(inferredDetectionMode(wording), mode) << wording;
}
