#include "samples/SampleSet.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

TEST(SampleSet, WritesPagesAndGroundTruthIntoANewFolder)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("nested/stack"));
    const SampleSet set = makeSampleSet(2, 4, 72, false, SampleStackOrder::duplex);
    const QStringList paths = writeSampleSet(set, folder);
    ASSERT_EQ(paths.size(), 4);
    EXPECT_TRUE(paths[0].endsWith(QStringLiteral("/page-01.png")));
    EXPECT_EQ(QImageReader(paths[3]).size(), QSize(612, 792));

    QFile csv(QDir(folder).filePath(QStringLiteral("ground-truth.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'));
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("survey_id,Q1,Q2,")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1,") + expectedAnswers(set.sheets[0])[0]));

    QFile json(QDir(folder).filePath(QStringLiteral("ground-truth.json")));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject truth = QJsonDocument::fromJson(json.readAll()).object();
    EXPECT_EQ(truth[QStringLiteral("pages")].toArray().size(), 4);
    const QJsonObject second = truth[QStringLiteral("surveys")].toArray()[1].toObject();
    EXPECT_EQ(second[QStringLiteral("answers")].toVariant().toStringList(),
              expectedAnswers(set.sheets[1]));
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
