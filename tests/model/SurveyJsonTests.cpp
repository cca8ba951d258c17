#include "model/SurveyJson.h"

#include <QTimeZone>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

SurveyConfiguration readConfig(const char* text)
{
    return surveyjson::readConfiguration(json::parse(text));
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

} // namespace

TEST(SurveyConfigurationJson, EmptyObjectNullsAndMissingFieldsReadAsTheStoredPresetsDefaults)
{
    EXPECT_EQ(readConfig("{}"), SurveyConfiguration{});
    const SurveyConfiguration read =
        readConfig(R"({"title":null,"questionCount":null,"scanBothSides":null,"duplexMode":null,
                       "template":null,"templateFields":null,"reviewThreshold":null})");
    EXPECT_EQ(read, SurveyConfiguration{});
    // A whole number written with a fraction is accepted.
    EXPECT_EQ(readConfig(R"({"questionCount":16.0})").questionCount, 16);

    const SurveyConfiguration custom = readConfig(R"({"template":"Custom"})");
    EXPECT_EQ(custom.templatePreset, SurveyTemplate::custom);
    ASSERT_EQ(custom.templateFields.size(), 14);
    EXPECT_EQ(custom.templateFields.at(6).prompt, "Question 7");
    EXPECT_TRUE(custom.templateFields.at(6).optionsText.isEmpty());
}

// A bad value fails the whole read and names its key; an unknown case lists the known ones.
TEST(SurveyConfigurationJson, BadValuesFailAsAWholeNamingTheKey)
{
    const std::pair<const char*, const char*> rows[] = {
        {R"({"title":5})", "title"},
        {R"({"questionCount":"14"})", "questionCount"},
        {R"({"questionCount":14.5})", "questionCount"},
        {R"({"scanBothSides":1})", "scanBothSides"},
        {R"({"duplexMode":"Triplex"})", "duplexMode"},
        {R"({"template":"KRDA 2027"})", "template"},
        {R"({"templateFields":{}})", "templateFields"},
        {R"({"reviewThreshold":"0.9"})", "reviewThreshold"},
        {R"({"templateFields":[{"number":1,"prompt":"a","detectionMode":"Circle","optionsText":""}]})",
         "templateFields[0].detectionMode"},
        {R"({"templateFields":[{"number":1,"detectionMode":"Written","optionsText":""}]})",
         "templateFields[0].prompt"},
        {R"({"templateFields":[7]})", "templateFields[0]"},
    };
    for (const auto& [text, keyPath] : rows) {
        try {
            readConfig(text);
            ADD_FAILURE() << text << " was read";
        } catch (const SurveyJsonError& error) {
            EXPECT_EQ(error.keyPath(), keyPath);
            EXPECT_TRUE(error.description().contains(keyPath)) << text;
            if (QString(text).contains("Triplex")) {
                EXPECT_TRUE(error.description().contains("\"Manual two-sided\""));
            }
        }
    }
}

// A response needs every key, a question its text; implausible dates are refused.
TEST(SurveyJson, RecordsNeedEveryKeyAndPlausibleDatesCountedFrom2001InUtc)
{
    for (const char* key : {"surveyNumber", "capturedAt", "answers"}) {
        json value = surveyjson::toJson(SurveyResponse{1, utc(2026, 1, 1, 0, 0, 0), {"A"}});
        value.erase(key);
        try {
            surveyjson::readResponse(value, "responses[3]");
            ADD_FAILURE() << "missing " << key << " was accepted";
        } catch (const SurveyJsonError& error) {
            EXPECT_EQ(error.keyPath(), QStringLiteral("responses[3].") + key);
        }
    }
    EXPECT_THROW(surveyjson::readQuestion(json::parse(R"({"number":1})")), SurveyJsonError);
    EXPECT_THROW(surveyjson::readQuestion(json::parse(R"({"number":1,"text":null})")),
                 SurveyJsonError);
    EXPECT_THROW(surveyjson::readDate(json(1.0e300), "savedAt"), SurveyJsonError);
    EXPECT_THROW(surveyjson::readDate(json("2026-01-01"), "savedAt"), SurveyJsonError);

    EXPECT_EQ(surveyjson::secondsSinceReferenceDate(utc(2001, 1, 1, 0, 0, 0)), 0.0);
    EXPECT_EQ(surveyjson::secondsSinceReferenceDate(utc(2001, 1, 2, 0, 0, 0)), 86400.0);
    EXPECT_EQ(surveyjson::secondsSinceReferenceDate(utc(2000, 12, 31, 23, 59, 59, 500)), -0.5);
    const QDateTime berlin(QDate(2001, 1, 1), QTime(1, 0), QTimeZone("Europe/Berlin"));
    EXPECT_EQ(surveyjson::secondsSinceReferenceDate(berlin), 0.0);
    EXPECT_EQ(surveyjson::dateFromReferenceSeconds(86400.25), utc(2001, 1, 2, 0, 0, 0, 250));
}
