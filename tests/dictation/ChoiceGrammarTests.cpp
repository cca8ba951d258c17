#include "dictation/ChoiceGrammar.h"
#include "dictation/SpokenNumbers.h"

#include <gtest/gtest.h>

TEST(SpokenNumbersTest, ReadsCardinalsAndOrdinalsAloud)
{
    const QList<std::tuple<qint64, const char*, const char*>> rows = {
        {0, "zero", "zeroth"},
        {2, "two", "second"},
        {3, "three", "third"},
        {9, "nine", "ninth"},
        {12, "twelve", "twelfth"},
        {20, "twenty", "twentieth"},
        {21, "twenty one", "twenty first"},
        {115, "one hundred fifteen", "one hundred fifteenth"},
        {2026, "two thousand twenty six", "two thousand twenty sixth"},
        {1000000, "1000000", "1000000"},
    };
    for (const auto& [number, cardinal, ordinal] : rows) {
        EXPECT_EQ(cardinalWords(number), QString::fromLatin1(cardinal)) << number;
        EXPECT_EQ(ordinalWords(number), QString::fromLatin1(ordinal)) << number;
    }
}

TEST(ChoiceGrammarTest, SpokenFormsOfLabels)
{
    const QList<std::pair<QString, QStringList>> rows = {
        {"21st", {"twenty first"}},
        {"Grade 9", {"grade nine"}},
        {"Home/Private", {"home private", "home slash private", "home or private"}},
        {"Help from my parent/guardian",
         {"help from my parent guardian", "help from my parent slash guardian",
          "help from my parent or guardian"}},
        {"Yes, in Science", {"yes in science"}},
        {"A LOT", {"a lot"}},
        {"I didn't have any support", {"i didn't have any support"}},
        {"Math & 'Science'", {"math and science"}},
        {"100%", {"one hundred percent"}},
        {"?!", {}},
    };
    for (const auto& [label, forms] : rows)
        EXPECT_EQ(spokenForms(label), forms) << label.toStdString();
}

TEST(ChoiceGrammarTest, MapsHeardWordsBackToTheExactLabel)
{
    const auto knownWord = [](const QString& word) { return word != QLatin1String("krda"); };
    const ChoiceGrammar grammar = ChoiceGrammar::build(
        {"Yes", "yes", "KRDA", "KRDA Fair", "Home/Private", "10th"}, knownWord);

    EXPECT_FALSE(grammar.isEmpty());
    EXPECT_EQ(grammar.labelFor("yes"), "Yes");
    EXPECT_EQ(grammar.labelFor("  Home   SLASH private "), "Home/Private");
    EXPECT_EQ(grammar.labelFor("home or private"), "Home/Private");
    EXPECT_EQ(grammar.labelFor("tenth"), "10th");
    // Words the recogniser cannot say are left out; a label of only such words is unreachable.
    EXPECT_EQ(grammar.labelFor("fair"), "KRDA Fair");
    EXPECT_EQ(grammar.labelFor("home"), QString());
    EXPECT_EQ(grammar.jsgf(),
              QStringLiteral("#JSGF V1.0;\ngrammar answers;\npublic <answer> = yes | fair | home "
                             "private | home slash private | home or private | tenth;\n"));

    EXPECT_TRUE(ChoiceGrammar::build({"KRDA", "..."}, knownWord).isEmpty());
}

TEST(ChoiceGrammarTest, SeveralLabelsInOneUtteranceOnCheckboxQuestions)
{
    const auto knownWord = [](const QString&) { return true; };
    const QStringList labels{"Math", "Art", "Art history", "Music"};
    const ChoiceGrammar several = ChoiceGrammar::build(labels, knownWord, true);
    EXPECT_EQ(several.labelFor("music and math"), "Music; Math");
    // The longest label wins where one label starts another.
    EXPECT_EQ(several.labelFor("art history art"), "Art history; Art");
    EXPECT_EQ(several.labelFor("math and robots"), QString());
    EXPECT_EQ(several.labelFor("and math"), QString());
    EXPECT_TRUE(several.jsgf().contains("( [and] <label> )*"));

    const ChoiceGrammar one = ChoiceGrammar::build(labels, knownWord);
    EXPECT_EQ(one.labelFor("music and math"), QString());
}
