#include "store/SurveyMerging.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {
ScanPage page(qint64 survey, qint64 number, SurveySide side = SurveySide::front)
{
    ScanPage p;
    p.surveyNumber = survey;
    p.pageNumber = number;
    p.side = side;
    p.fileURL = QUrl::fromLocalFile(QStringLiteral("/scans/p%1.png").arg(number));
    return p;
}

SurveyResponse response(qint64 survey, const QString& first = QStringLiteral("A"))
{
    return {survey, QDateTime(), {first}};
}

QList<qint64> surveys(const QList<SurveyResponse>& responses)
{
    QList<qint64> numbers;
    for (const auto& r : responses)
        numbers.append(r.surveyNumber);
    return numbers;
}
} // namespace

TEST(Renumbering, PagesContinueAfterHeldSurveysAndPagesWithFreshIds)
{
    const QList<ScanPage> batch = {page(1, 1), page(1, 2, SurveySide::back), page(2, 3),
                                   page(2, 4, SurveySide::back)};
    const auto renumbered = renumberPages(batch, 6, 10);
    ASSERT_EQ(renumbered.size(), 4);
    QList<qint64> surveyNumbers, pageNumbers;
    for (int i = 0; i < renumbered.size(); ++i) {
        surveyNumbers.append(renumbered[i].surveyNumber);
        pageNumbers.append(renumbered[i].pageNumber);
        EXPECT_NE(renumbered[i].id, batch[i].id);
        EXPECT_EQ(renumbered[i].side, batch[i].side);
        EXPECT_EQ(renumbered[i].fileURL, batch[i].fileURL);
    }
    EXPECT_EQ(surveyNumbers, (QList<qint64>{6, 6, 7, 7}));
    EXPECT_EQ(pageNumbers, (QList<qint64>{11, 12, 13, 14}));
    EXPECT_TRUE(renumberPages({}, 3, 5).isEmpty());
}

TEST(Renumbering, ResponsesShiftFromTheirSmallestNumber)
{
    const QList<SurveyResponse> already = {response(3), response(4)};
    EXPECT_EQ(renumberResponses(already, 3), already);
    EXPECT_EQ(surveys(renumberResponses({response(2), response(1)}, 5)), (QList<qint64>{6, 5}));
    EXPECT_TRUE(renumberResponses({}, 1).isEmpty());
}

TEST(Merging, NewResponsesReplaceSameNumberAndSortAscending)
{
    const auto merged = mergeResponses({response(1), response(2), response(3)},
                                       {response(2, QStringLiteral("new")), response(5)});
    EXPECT_EQ(surveys(merged), (QList<qint64>{1, 2, 3, 5}));
    EXPECT_EQ(merged[1].answers.first(), QStringLiteral("new"));

    EXPECT_EQ(surveys(mergeResponses({}, {response(4), response(2), response(3)})),
              (QList<qint64>{2, 3, 4}));
    // Hand-edited duplicates still come out once.
    EXPECT_EQ(surveys(mergeResponses({response(1), response(1)}, {})), (QList<qint64>{1}));
}

TEST(Merging, QuestionsFillOneToCountAndIgnoreBlankNewText)
{
    const auto merged =
        mergeQuestions({{1, QStringLiteral("One")}, {2, QStringLiteral("Two")}},
                       {{2, QStringLiteral("  \n")}, {3, QStringLiteral("Three")}}, 5);
    EXPECT_EQ(merged, (QList<SurveyQuestion>{{1, QStringLiteral("One")},
                                             {2, QStringLiteral("Two")},
                                             {3, QStringLiteral("Three")},
                                             {4, QString()},
                                             {5, QString()}}));
    EXPECT_EQ(mergeQuestions({}, {}, 3),
              (QList<SurveyQuestion>{{1, QString()}, {2, QString()}, {3, QString()}}));
    // Numbers beyond the count extend it; numbers below 1 do not survive.
    const auto grown = mergeQuestions({{0, QStringLiteral("Zero")}}, {{4, QStringLiteral("F")}}, 2);
    ASSERT_EQ(grown.size(), 4);
    EXPECT_EQ(grown.first().number, 1);
    EXPECT_EQ(grown.last().text, QStringLiteral("F"));
}

TEST(TemplateTidying, LastFieldOfANumberWinsAndCountFollowsTheHighest)
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
