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

TEST(SampleSet, AFolderThatCannotBeMadeIsReported)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const SampleSet set = makeSampleSet(1, 1, 72, false, SampleStackOrder::singleSided);
    EXPECT_THROW(writeSampleSet(set, blocker.fileName() + "/inside"), SampleWriteError);
}
