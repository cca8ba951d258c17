#include "samples/SampleFormLayout.h"
#include "model/SurveyTemplateDefinition.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {
const FormQuestion* find(const FormPageLayout& layout, qint64 number)
{
    for (const FormQuestion& question : layout.questions) {
        if (question.number == number)
            return &question;
    }
    return nullptr;
}
} // namespace

TEST(SampleFormLayout, FrontCarriesOneToSevenAndBackEightToFourteen)
{
    const FormPageLayout front = layoutSurveyPage(SurveySide::front, 300);
    const FormPageLayout back = layoutSurveyPage(SurveySide::back, 300);
    EXPECT_EQ(front.pageSize, QSizeF(2550, 3300));
    ASSERT_EQ(front.questions.size(), 7);
    ASSERT_EQ(back.questions.size(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(front.questions[i].number, i + 1);
        EXPECT_EQ(back.questions[i].number, i + 8);
    }
    EXPECT_TRUE(front.questions[0].heading.first().text.startsWith("1. I am:"));
    EXPECT_TRUE(back.questions[2].heading.first().text.startsWith("10. What"));
}

TEST(SampleFormLayout, ChoicesArePrintedAsTheTemplateSays)
{
    const auto& template_ = SurveyTemplateDefinition::krdaQuestions();
    const FormPageLayout front = layoutSurveyPage(SurveySide::front, 300);
    const FormPageLayout back = layoutSurveyPage(SurveySide::back, 300);
    for (qint64 number = 1; number <= 14; ++number) {
        const FormQuestion* question = find(number <= 7 ? front : back, number);
        ASSERT_NE(question, nullptr);
        QStringList labels;
        for (const FormOption& option : question->options) {
            labels.append(option.label);
            // "Circle one" questions have no boxes; all others have a box
            // left of the label, level with its text.
            const bool circleOne = number == 2 || number == 4;
            ASSERT_EQ(option.box.has_value(), !circleOne) << number;
            if (option.box) {
                EXPECT_LT(option.box->right(), option.labelRect.left());
                EXPECT_GT(option.box->right(), option.labelRect.left() - 40);
                EXPECT_GT(option.box->center().y(), option.labelRect.top());
                EXPECT_LT(option.box->center().y(), option.labelRect.bottom());
            }
        }
        EXPECT_EQ(labels, template_.value(number).options) << number;
        EXPECT_EQ(question->writingArea.isValid(), template_.value(number).options.isEmpty());
    }
    // Rows and columns: question 1 side by side, 7 stacked, 11 a grid.
    QSet<double> rows1, columns7, rows11, columns11;
    for (const FormOption& option : find(front, 1)->options)
        rows1.insert(option.labelRect.top());
    for (const FormOption& option : find(front, 7)->options)
        columns7.insert(option.labelRect.left());
    for (const FormOption& option : find(back, 11)->options) {
        rows11.insert(option.labelRect.top());
        columns11.insert(option.labelRect.left());
    }
    EXPECT_EQ(rows1.size(), 1);
    EXPECT_EQ(columns7.size(), 1);
    EXPECT_GT(rows11.size(), 1);
    EXPECT_GT(columns11.size(), 1);
}
