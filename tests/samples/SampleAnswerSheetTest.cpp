#include "samples/SampleAnswerSheet.h"
#include "model/SurveyTemplateDefinition.h"

#include <gtest/gtest.h>

#include <QSet>

using Kind = SurveyTemplateDefinition::QuestionKind;

TEST(SampleAnswerSheet, RandomSheetsAreReproducibleAndVaried)
{
    EXPECT_EQ(randomAnswerSheet(3, 42), randomAnswerSheet(3, 42));
    EXPECT_NE(randomAnswerSheet(3, 42), randomAnswerSheet(3, 43));
    EXPECT_NE(randomAnswerSheet(3, 42), randomAnswerSheet(4, 42));

    const auto& questions = SurveyTemplateDefinition::krdaQuestions();
    int blanks = 0, multiTicks = 0, handwritten = 0;
    for (int survey = 1; survey <= 60; ++survey) {
        const SampleAnswerSheet sheet = randomAnswerSheet(survey, 7);
        ASSERT_EQ(sheet.answers.size(), 14);
        for (qint64 n = 1; n <= 14; ++n) {
            const SampleAnswer& answer = sheet.answers.at(n - 1);
            for (const QString& label : answer.chosen)
                EXPECT_TRUE(questions.value(n).options.contains(label)) << label.toStdString();
            if (questions.value(n).kind == Kind::singleChoice) {
                EXPECT_LE(answer.chosen.size(), 1);
            }
            if (!answer.chosen.isEmpty() && (n == 2 || n == 4)) { // printed without boxes
                EXPECT_EQ(answer.style, MarkStyle::circle);
            }
            blanks += answer.chosen.isEmpty() && !answer.handwriting;
            multiTicks += answer.chosen.size() > 1;
            handwritten += answer.handwriting;
        }
    }
    EXPECT_GT(blanks, 0);
    EXPECT_GT(multiTicks, 0);
    EXPECT_GT(handwritten, 0);
}

TEST(SampleAnswerSheet, ExpectedAnswersFollowTheReadersRules)
{
    SampleAnswerSheet sheet;
    sheet.answers[0].chosen = {"Female"};
    // Ticked in any order, listed in template order.
    sheet.answers[10].chosen = {"Teamwork", "Problem solving"};
    sheet.answers[9].handwriting = true;
    sheet.answers[9].writtenText = "robots";
    sheet.answers[7].chosen = {"Yes, in Math"};

    const QStringList cells = expectedAnswers(sheet);
    ASSERT_EQ(cells.size(), 14);
    EXPECT_EQ(cells[0], "Female");
    EXPECT_EQ(cells[1], "N/A");
    EXPECT_EQ(cells[7], "Yes, in Math");
    EXPECT_EQ(cells[9], "Handwritten answer needs review");
    EXPECT_EQ(cells[10], "Problem solving; Teamwork");
    EXPECT_EQ(cells[12], "N/A");
}

TEST(SampleAnswerSheet, CheckboxAnswersMatchInAnyOrderButNotPartly)
{
    EXPECT_TRUE(answerMatches("Writing; Learning", "Learning; Writing"));
    EXPECT_TRUE(answerMatches("N/A", " N/A "));
    EXPECT_FALSE(answerMatches("Writing; Learning", "Writing"));
    EXPECT_FALSE(answerMatches("Yes", "No"));
    EXPECT_FALSE(answerMatches("N/A", "Yes"));
}
