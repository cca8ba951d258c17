#include "samples/SampleSet.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {
QList<QPair<qint64, SurveySide>> order(const SampleSet& set)
{
    QList<QPair<qint64, SurveySide>> result;
    for (const SampleSetPage& page : set.pages)
        result.append({page.surveyNumber, page.side});
    return result;
}
} // namespace

TEST(SampleSet, StacksComeInTheScannersOrder)
{
    using S = SurveySide;
    EXPECT_EQ(order(makeSampleSet(2, 1, 100, false, SampleStackOrder::duplex)),
              (QList<QPair<qint64, S>>{{1, S::front}, {1, S::back}, {2, S::front}, {2, S::back}}));
    EXPECT_EQ(order(makeSampleSet(2, 1, 100, false, SampleStackOrder::manual)),
              (QList<QPair<qint64, S>>{{1, S::front}, {2, S::front}, {1, S::back}, {2, S::back}}));
    EXPECT_EQ(order(makeSampleSet(2, 1, 100, false, SampleStackOrder::singleSided)),
              (QList<QPair<qint64, S>>{{1, S::front}, {2, S::front}}));
}

TEST(SampleSet, DegradedStacksMixEveryKindOfTrouble)
{
    const SampleSet set = makeSampleSet(10, 9, 300, true, SampleStackOrder::duplex);
    int upsideDown = 0, sideways = 0, jpeg = 0, skewed = 0;
    for (const SampleSetPage& page : set.pages) {
        EXPECT_GT(page.options.noise, 0);
        upsideDown += page.options.quarterTurns == 2;
        sideways += page.options.quarterTurns % 2 == 1;
        jpeg += page.options.jpegQuality > 0;
        skewed += qAbs(page.options.skewDegrees) > 0.1;
        EXPECT_EQ(page.fileName.endsWith(QStringLiteral(".jpg")), page.options.jpegQuality > 0);
    }
    EXPECT_GT(upsideDown, 0);
    EXPECT_GT(sideways, 0);
    EXPECT_GT(jpeg, 0);
    EXPECT_GT(skewed, 0);
    for (const SampleSetPage& page :
         makeSampleSet(3, 9, 300, false, SampleStackOrder::duplex).pages)
        EXPECT_EQ(page.options, (SampleRenderOptions{.dpi = 300, .seed = page.options.seed}));
}

TEST(SampleSet, AFolderThatCannotBeMadeIsReported)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const SampleSet set = makeSampleSet(1, 1, 72, false, SampleStackOrder::singleSided);
    EXPECT_THROW(writeSampleSet(set, blocker.fileName() + QStringLiteral("/inside")),
                 SampleWriteError);
}
