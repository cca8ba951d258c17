#include "TestSupport.h"
#include "reading/QuestionAnchors.h"
#include "reading/QuestionRegions.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
RecognizedTextBlock line(const char* text, QRectF box = {100, 200, 1000, 40}, double conf = 0.9)
{
    return {QString::fromUtf8(text), conf, box};
}

TEST(ParseAnchors, FindsNumberedQuestionsWithTheirBounds)
{
    const std::tuple<const char*, qint64, QList<qint64>, QStringList> cases[] = {
        {"1. I am:", 14, {1}, {"I am:"}},
        {"1. I am: 2. My grade", 14, {1, 2}, {"I am:", "My grade"}},
        {"Q7- How did you", 14, {7}, {"How did you"}},
        {"  3) Why 4: When  ", 14, {3, 4}, {"Why", "When"}},
        {"2026. The year", 3000, {}, {}},                           // four digits
        {"15. Too far", 14, {}, {}},                                // above the count
        {"0. Nothing", 14, {}, {}},                                 // zero
        {"1.lam:", 14, {1}, {"lam:"}},                              // no space after the number
        {"1.1 am:", 14, {1}, {"I am:"}},                            // capital I read as a digit
        {"1.1. am:", 14, {1}, {"I am:"}},                           // ... with a point
        {"1.1 Apples", 14, {}, {}},                                 // a sub-number is no capital I
        {"1. I am: 2.My grade", 14, {1, 2}, {"I am:", "My grade"}}, // a glued second question
        {"costs 3.5 dollars", 14, {}, {}},                          // a decimal is no question
        {"Grade 5th. Male", 14, {}, {}},                            // a number inside a word
        {"   ", 14, {}, {}},
    };
    for (const auto& [text, count, numbers, wordings] : cases) {
        const QList<QuestionAnchor> anchors = parseQuestionAnchors(line(text), count);
        EXPECT_EQ(testsupport::mapped(anchors, &QuestionAnchor::questionNumber), numbers) << text;
        EXPECT_EQ(testsupport::mapped(anchors, &QuestionAnchor::questionText), wordings) << text;
    }

    // The bounds are the line for one question, estimated for two.
    const QRectF box(100, 200, 1000, 40);
    const QList<QuestionAnchor> single = parseQuestionAnchors(line("5. Is this", box), 14);
    ASSERT_EQ(single.size(), 1);
    EXPECT_EQ(single[0].bounds, box);

    // "1. Aaaa 2. Bbbb" has 15 characters; the second match starts at the
    // space before "2" (offset 7) and runs 8 characters.
    const QList<QuestionAnchor> two = parseQuestionAnchors(line("1. Aaaa 2. Bbbb", box), 14);
    ASSERT_EQ(two.size(), 2);
    EXPECT_DOUBLE_EQ(two[0].bounds.left(), 100);
    EXPECT_DOUBLE_EQ(two[0].bounds.width(), 1000.0 * 7 / 15);
    EXPECT_DOUBLE_EQ(two[1].bounds.left(), 100 + 1000.0 * 7 / 15);
    EXPECT_DOUBLE_EQ(two[1].bounds.width(), 1000.0 * 8 / 15);
    EXPECT_DOUBLE_EQ(two[1].bounds.top(), 200);
    EXPECT_DOUBLE_EQ(two[1].bounds.height(), 40);
}

TEST(DetectAnchors, MergesRepeatedNumbersSortsByNumberAndReadsInOrder)
{
    const QList<RecognizedTextBlock> blocks{
        line("3. Third", {100, 900, 500, 40}),
        line("2. My grade level", {100, 300, 500, 40}),
        line("2. grade level", {100, 500, 600, 40}),
        line("2. is (circle one)", {100, 700, 400, 40}),
    };
    const QList<QuestionAnchor> anchors = detectQuestionAnchors(blocks, 14);
    ASSERT_EQ(anchors.size(), 2);
    EXPECT_EQ(anchors[0].questionNumber, 2);
    EXPECT_EQ(anchors[0].questionText, u"My grade level is (circle one)"_s);
    EXPECT_EQ(anchors[0].bounds, QRectF(100, 300, 600, 440));
    EXPECT_EQ(anchors[1].questionNumber, 3);

    // Lines level within twelve pixels read left to right.
    const QList<RecognizedTextBlock> sorted = sortedInReadingOrder(
        {line("c", {10, 300, 5, 5}), line("b", {500, 110, 5, 5}), line("a", {20, 100, 5, 5})});
    EXPECT_EQ(testsupport::mapped(sorted, &RecognizedTextBlock::text),
              (QStringList{u"a"_s, u"b"_s, u"c"_s}));
}

QuestionAnchor anchorAt(qint64 n, double x, double y)
{
    return {n, QString(), QRectF(x, y, 300, 40)};
}

TEST(Regions, FlowDownOrAcrossAndReachToTheNextAnchorOrFallBackToAGrid)
{
    const QSizeF page(2000, 3000);
    EXPECT_FALSE(isHorizontalQuestionFlow({anchorAt(1, 0, 100), anchorAt(2, 1500, 100)}, page));
    EXPECT_TRUE(isHorizontalQuestionFlow(
        {anchorAt(1, 0, 100), anchorAt(2, 700, 100), anchorAt(3, 1400, 110)}, page));
    EXPECT_FALSE(isHorizontalQuestionFlow(
        {anchorAt(1, 100, 100), anchorAt(2, 100, 900), anchorAt(3, 100, 1800)}, page));

    const QList<QuestionRegion> down = makeQuestionRegions(
        {line("1. First", {150, 400, 800, 40}), line("2. Second", {150, 1000, 800, 40})},
        {2000, 3000}, 14, 14);
    ASSERT_EQ(down.size(), 2);
    EXPECT_EQ(down[0].rect, QRectF(70, 392, 1860, 1000 - 8 - 392));
    EXPECT_EQ(down[1].rect, QRectF(70, 992, 1860, 0.97 * 3000 - 8 - 992));
    EXPECT_EQ(down[1].questionText, u"Second"_s);

    const QList<QuestionRegion> across =
        makeQuestionRegions({line("1. A", {100, 100, 300, 40}), line("2. B", {1100, 100, 300, 40}),
                             line("3. C", {2100, 105, 300, 40})},
                            {3000, 1000}, 14, 14);
    ASSERT_EQ(across.size(), 3);
    EXPECT_EQ(across[0].rect, QRectF(92, 35, 1100 - 8 - 92, 930));
    EXPECT_EQ(across[2].rect, QRectF(2092, 35, 0.97 * 3000 - 8 - 2092, 930));

    // No numbers: the fallback grid.
    const QList<QuestionRegion> grid =
        makeQuestionRegions({line("just some words")}, {1000, 2000}, 14, 4);
    ASSERT_EQ(grid.size(), 4);
    const double usable = 2000 - 120 - 60;
    EXPECT_EQ(grid[0].rect, QRectF(40, 120, 920, usable / 4));
    EXPECT_EQ(grid[3].rect, QRectF(40, 120 + 3 * usable / 4, 920, usable / 4));
    EXPECT_EQ(grid[3].questionNumber, 4);
    EXPECT_TRUE(grid[3].questionText.isEmpty());
}
} // namespace
