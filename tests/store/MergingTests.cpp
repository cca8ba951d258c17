#include "TestSupport.h"
#include "store/SurveyMerging.h"

#include <gtest/gtest.h>

namespace {
ScanPage page(qint64 survey, qint64 number, SurveySide side = SurveySide::front)
{
    return ScanPage{QUuid::createUuid(),
                    survey,
                    side,
                    number,
                    QDateTime(),
                    QUrl::fromLocalFile(QStringLiteral("/scans/p%1.png").arg(number))};
}

SurveyResponse response(qint64 survey, const QString& first = QStringLiteral("A"))
{
    return {survey, QDateTime(), {first}};
}

using testsupport::mapped;
} // namespace

TEST(SurveyMerging, PagesContinueAfterHeldSurveysAndPagesWithFreshIds)
{
    const QList<ScanPage> batch = {page(1, 1), page(1, 2, SurveySide::back), page(2, 3),
                                   page(2, 4, SurveySide::back)};
    const QList<ScanPage> renumbered = renumberPages(batch, 6, 10);
    EXPECT_EQ(mapped(renumbered, &ScanPage::surveyNumber), (QList<qint64>{6, 6, 7, 7}));
    EXPECT_EQ(mapped(renumbered, &ScanPage::pageNumber), (QList<qint64>{11, 12, 13, 14}));
    for (int i = 0; i < renumbered.size(); ++i) {
        EXPECT_NE(renumbered[i].id, batch[i].id);
        EXPECT_EQ(renumbered[i].side, batch[i].side);
        EXPECT_EQ(renumbered[i].fileURL, batch[i].fileURL);
    }
    EXPECT_TRUE(renumberPages({}, 3, 5).isEmpty());

    // Responses shift so that their smallest number becomes the first.
    const QList<SurveyResponse> already = {response(3), response(4)};
    EXPECT_EQ(renumberResponses(already, 3), already);
    EXPECT_EQ(
        mapped(renumberResponses({response(2), response(1)}, 5), &SurveyResponse::surveyNumber),
        (QList<qint64>{6, 5}));
    EXPECT_TRUE(renumberResponses({}, 1).isEmpty());
}

TEST(SurveyMerging, NewResponsesReplaceSameNumberAndSortAscending)
{
    const auto merged = mergeResponses({response(1), response(2), response(3)},
                                       {response(2, QStringLiteral("new")), response(5)});
    EXPECT_EQ(mapped(merged, &SurveyResponse::surveyNumber), (QList<qint64>{1, 2, 3, 5}));
    EXPECT_EQ(merged[1].answers.first(), QStringLiteral("new"));
    EXPECT_EQ(mapped(mergeResponses({}, {response(4), response(2), response(3)}),
                     &SurveyResponse::surveyNumber),
              (QList<qint64>{2, 3, 4}));
    // Hand-edited duplicates still come out once.
    EXPECT_EQ(mergeResponses({response(1), response(1)}, {}).size(), 1);
}

TEST(SurveyMerging, QuestionsFillOneToCountAndIgnoreBlankNewText)
{
    EXPECT_EQ(mergeQuestions({{1, QStringLiteral("One")}, {2, QStringLiteral("Two")}},
                             {{2, QStringLiteral("  \n")}, {3, QStringLiteral("Three")}}, 5),
              (QList<SurveyQuestion>{{1, QStringLiteral("One")},
                                     {2, QStringLiteral("Two")},
                                     {3, QStringLiteral("Three")},
                                     {4, QString()},
                                     {5, QString()}}));
    // Numbers beyond the count extend it; numbers below 1 do not survive.
    const auto grown = mergeQuestions({{0, QStringLiteral("Zero")}}, {{4, QStringLiteral("F")}}, 2);
    EXPECT_EQ(mapped(grown, &SurveyQuestion::number), (QList<qint64>{1, 2, 3, 4}));
    EXPECT_EQ(grown.last().text, QStringLiteral("F"));
}

TEST(SurveyMerging, TemplateKeepsTheLastFieldOfANumberAndCountsToTheHighest)
{
    const QList<SurveyTemplateField> fields = {
        {7, QStringLiteral("old"), SurveyDetectionMode::written, {}},
        {2, QStringLiteral("two"), SurveyDetectionMode::singleChoice, {}},
        {7, QStringLiteral("new"), SurveyDetectionMode::singleChoice, {}},
    };
    const auto tidy = normalizedTemplateFields(fields);
    ASSERT_EQ(tidy.size(), 2);
    EXPECT_EQ(tidy[0].number, 2);
    EXPECT_EQ(tidy[1].prompt, QStringLiteral("new"));
    EXPECT_EQ(questionCountForTemplate(fields), 7);
    EXPECT_EQ(questionCountForTemplate({}), 1);
}
