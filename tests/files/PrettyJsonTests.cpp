#include "files/FileError.h"
#include "files/PrettyJson.h"

#include <QRandomGenerator>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>

TEST(ShortestNumberText, EverydayValuesReadPlainlyAndExtremesUseAnExponent)
{
    const std::pair<double, const char*> rows[] = {
        {0.92, "0.92"},         {1.0, "1"},      {794066709.5, "794066709.5"},
        {0.000001, "0.000001"}, {1e-7, "1e-07"}, {1.5e21, "1.5e+21"}};
    for (const auto& [value, text] : rows)
        EXPECT_EQ(shortestNumberText(value), text);
    // Non-finite numbers cannot be saved.
    EXPECT_THROW(shortestNumberText(std::numeric_limits<double>::quiet_NaN()), FileError);
    EXPECT_THROW(shortestNumberText(std::numeric_limits<double>::infinity()), FileError);
}

TEST(ShortestNumberText, EveryTextReadsBackToTheSameDouble)
{
    QRandomGenerator random(20260301);
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::pow(10.0, random.bounded(-12.0) + random.bounded(24.0));
        const double value = (random.bounded(2) ? -1 : 1) * random.generateDouble() * magnitude;
        const std::string text = shortestNumberText(value);
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
        ASSERT_EQ(nlohmann::json::parse(text).get<double>(), value) << text;
    }
}

TEST(PrettyJson, ControlCharactersAndSlashesAreEscaped)
{
    const nlohmann::json value{{"b", "a/b\t\"c\"\\\x01"}, {"a", nlohmann::json::object()}};
    EXPECT_EQ(prettyJson(value).toStdString(),
              "{\n  \"a\" : {},\n  \"b\" : \"a\\/b\\t\\\"c\\\"\\\\\\u0001\"\n}");
}
