#include "scanner/PageNumbering.h"
#include "scanner/BatchFolder.h"
#include "scanner/ScannerService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Expected
{
    qint64 survey;
    SurveySide side;
};

void expectNumbering(const QList<ScanPage>& pages, const QList<Expected>& expected)
{
    ASSERT_EQ(pages.size(), expected.size());
    for (qsizetype i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pages[i].surveyNumber, expected[i].survey);
        EXPECT_EQ(pages[i].side, expected[i].side);
        EXPECT_EQ(pages[i].pageNumber, i + 1);
    }
}

constexpr auto F = SurveySide::front;
constexpr auto B = SurveySide::back;

TEST(PageNumbering, DuplexAlternatesSidesAndManualTwoSidedPairsFrontsWithBacks)
{
    // An odd total leaves the last sheet without a back.
    expectNumbering(makePages({{"1", "2", "3"}}, PageNumbering::automaticDuplex),
                    {{1, F}, {1, B}, {2, F}});
    const auto pages = makePages({{"/b/fronts-1.png", "/b/fronts-2.png", "/b/fronts-3.png"},
                                  {"/b/backs-1.png", "/b/backs-2.png", "/b/backs-3.png"}},
                                 PageNumbering::manualTwoSided);
    expectNumbering(pages, {{1, F}, {2, F}, {3, F}, {1, B}, {2, B}, {3, B}});
    EXPECT_EQ(pages[3].fileURL.toLocalFile(), "/b/backs-1.png");

    // Files without a known pass boundary split at half: of five, the
    // first two are fronts, the last three backs.
    const auto odd =
        makePages({{"f-1", "f-2", "f-3"}, {"b-1", "b-2"}}, PageNumbering::manualTwoSided);
    expectNumbering(odd, {{1, F}, {2, F}, {1, B}, {2, B}, {3, B}});
}

TEST(PageNumbering, TwoSidedPassesPairAtTheirBoundaryOrNotAtAll)
{
    const auto pages = makeTwoSidedPages({"/b/fronts-10.png", "/b/fronts-9.png"},
                                         {"/b/backs-9.png", "/b/backs-10.png"}, "/b");
    expectNumbering(pages, {{1, F}, {2, F}, {1, B}, {2, B}});
    EXPECT_EQ(pages[0].fileURL.toLocalFile(), "/b/fronts-9.png");
    EXPECT_EQ(pages[2].fileURL.toLocalFile(), "/b/backs-9.png");

    // Ten fronts and nine backs: a half split would make the tenth front
    // survey 1's back.
    QStringList fronts, backs;
    for (int i = 1; i <= 10; ++i) {
        fronts.append(QStringLiteral("/b/fronts-%1.png").arg(i));
        if (i < 10)
            backs.append(QStringLiteral("/b/backs-%1.png").arg(i));
    }
    try {
        makeTwoSidedPages(fronts, backs, "/b");
        ADD_FAILURE() << "unequal passes were paired";
    } catch (const ScannerServiceError& error) {
        EXPECT_EQ(error.kind(), ScannerServiceError::Kind::twoSidedIncomplete);
        EXPECT_EQ(error.description(), "10 fronts and 9 backs were scanned. Feed the backs again.\n"
                                       "The scanned pages are kept in /b.");
    }
}

TEST(PageNumbering, SingleSidedInNaturalOrderWithinEachPass)
{
    const auto pages = makePages({{"/b/surveys-10.png", "/b/Surveys-2.png", "/b/surveys-1.png"}},
                                 PageNumbering::singleSided);
    expectNumbering(pages, {{1, F}, {2, F}, {3, F}});
    EXPECT_EQ(pages[0].fileURL.toLocalFile(), "/b/surveys-1.png");
    EXPECT_EQ(pages[1].fileURL.toLocalFile(), "/b/Surveys-2.png");
    EXPECT_EQ(pages[2].fileURL.toLocalFile(), "/b/surveys-10.png");

    // Passes are not merged before sorting: the first pass stays first, and
    // only the file name (not the folder) decides the order.
    const auto passes =
        makePages({{"/z/b.png", "/z/a.png"}, {"/a/0.png"}}, PageNumbering::singleSided);
    ASSERT_EQ(passes.size(), 3);
    EXPECT_EQ(passes[0].fileURL.toLocalFile(), "/z/a.png");
    EXPECT_EQ(passes[2].fileURL.toLocalFile(), "/a/0.png");
    EXPECT_NE(passes[0].id, passes[1].id);
}

TEST(PageNumbering, PlaceholderResponsesCoverEverySurvey)
{
    const QDateTime now = QDateTime::currentDateTime();
    const auto responses =
        makePlaceholderResponses(makePages({{"1", "2", "3"}}, PageNumbering::singleSided), 14, now);
    EXPECT_EQ(responses.value(2), (SurveyResponse{3, now, QStringList(14, QString())}));
    EXPECT_EQ(responses.size(), 3);
    const auto duplex = makePages({{"1", "2", "3", "4", "5"}}, PageNumbering::automaticDuplex);
    EXPECT_EQ(makePlaceholderResponses(duplex, 2).size(), 3);
    EXPECT_EQ(makePlaceholderResponses({}, 2).size(), 1);
}

TEST(BatchFolder, NameComesFromTheTitleTakenNamesGetASuffixAndParentsAreMade)
{
    EXPECT_EQ(batchFolderStem(" \t\n").toStdString(), "Survey");
    EXPECT_EQ(batchFolderStem("../../etc").toStdString(), "..-..-etc");
    QTemporaryDir temp;
    const QString root = temp.filePath("data/scans");
    const QString first = createBatchFolder(root, " A/B ", 1700000000);
    EXPECT_EQ(first.toStdString(), QDir(root).absoluteFilePath("A-B-1700000000").toStdString());
    EXPECT_TRUE(QDir(first).exists());
    const QString second = createBatchFolder(root, "A/B", 1700000000);
    EXPECT_EQ(QDir(second).dirName().toStdString(), "A-B-1700000000-2");
    EXPECT_EQ(QDir(createBatchFolder(root, "A/B", 1700000000)).dirName().toStdString(),
              "A-B-1700000000-3");
    EXPECT_EQ(QDir(createBatchFolder(root, "", 5)).dirName().toStdString(), "Survey-5");
}

TEST(BatchFolder, UnwritableRootIsAnErrorAndTheDefaultRootIsNotTemporary)
{
    QTemporaryDir temp;
    QFile blocker(temp.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(createBatchFolder(temp.filePath("file/scans"), "A", 1), ScannerServiceError);
    EXPECT_TRUE(defaultScanRoot().endsWith("/scans"));
    EXPECT_FALSE(defaultScanRoot().startsWith(QDir::tempPath()));
}

} // namespace
