#include "ProjectFixtures.h"
#include "TestSupport.h"
#include "files/FileError.h"
#include "files/SurveyProjectDocument.h"

#include <QFile>
#include <gtest/gtest.h>

using fixtures::sampleDocument;
using fixtures::utc;

namespace {

QByteArray goldenBytes()
{
    QFile file(testsupport::sourceDir() + QStringLiteral("/tests/files/golden/sample-project.twk"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

TEST(ProjectDocumentEncoding, MatchesCheckedInFileByteForByte)
{
    const QByteArray expected = goldenBytes();
    ASSERT_FALSE(expected.isEmpty()) << "golden file missing";
    const QByteArray written = encodeProjectDocument(sampleDocument());
    EXPECT_EQ(written.toStdString(), expected.toStdString());
}

TEST(ProjectDocumentEncoding, GoldenFileReadsBackToTheSameDocument)
{
    EXPECT_EQ(decodeProjectDocument(goldenBytes()), sampleDocument());
}

TEST(ProjectDocumentEncoding, RoundTripKeepsPathsWithSpacesAndNonAscii)
{
    SurveyProjectDocument document = sampleDocument();
    document.pages.append(
        {7, SurveySide::front, 3, utc(2030, 12, 31, 23, 59, 59, 999),
         QStringLiteral("/media/Ünïcødé drive/日本語 フォルダ/scan #3 (copy).png")});
    document.csvPath = QStringLiteral("/home/zoë/my results/survey,final.csv");
    EXPECT_EQ(decodeProjectDocument(encodeProjectDocument(document)), document);
}

TEST(ProjectDocumentEncoding, NoConnectedCsvLeavesTheKeyOut)
{
    SurveyProjectDocument document = sampleDocument();
    document.csvPath.reset();
    const QByteArray written = encodeProjectDocument(document);
    EXPECT_FALSE(written.contains("csvPath"));
    EXPECT_FALSE(decodeProjectDocument(written).csvPath.has_value());
}

TEST(ProjectDocumentEncoding, EmptyProjectWritesEmptyListsAndReadsBackEmpty)
{
    const auto document = SurveyProjectDocument::fromState(SurveyConfiguration{}, {}, {}, {},
                                                           std::nullopt, utc(2026, 1, 1, 0, 0, 0));
    EXPECT_EQ(document.projectName, SurveyConfiguration{}.title);
    const QByteArray written = encodeProjectDocument(document);
    for (const char* list : {"pages", "questions", "responses"})
        EXPECT_TRUE(written.contains(QByteArray("\"") + list + "\" : [],\n")) << list;
    EXPECT_EQ(decodeProjectDocument(written), document);
}

TEST(ProjectDocumentEncoding, TwoWritesOfAnUnchangedProjectDifferOnlyInSaveTime)
{
    const ScanPage page{QUuid::createUuid(),      1,
                        SurveySide::front,        1,
                        utc(2026, 2, 2, 9, 0, 0), QUrl::fromLocalFile("/tmp/a.png")};
    const auto first = SurveyProjectDocument::fromState(SurveyConfiguration{}, {page}, {}, {},
                                                        std::nullopt, utc(2026, 2, 2, 10, 0, 0));
    auto second = first;
    second.savedAt = utc(2026, 2, 2, 11, 30, 0);
    QList<QByteArray> firstLines = encodeProjectDocument(first).split('\n');
    QList<QByteArray> secondLines = encodeProjectDocument(second).split('\n');
    ASSERT_EQ(firstLines.size(), secondLines.size());
    int differing = 0;
    for (int i = 0; i < firstLines.size(); ++i) {
        if (firstLines[i] != secondLines[i]) {
            ++differing;
            EXPECT_TRUE(firstLines[i].contains("\"savedAt\" : "));
        }
    }
    EXPECT_EQ(differing, 1);
}

TEST(SavedScanPageConversion, KeepsEverythingButTheIdentifier)
{
    const ScanPage page{QUuid::createUuid(),
                        4,
                        SurveySide::back,
                        9,
                        utc(2026, 5, 5, 5, 5, 5, 5),
                        QUrl::fromLocalFile("/tmp/gone away/ø.png")};
    const SavedScanPage saved = SavedScanPage::fromPage(page);
    EXPECT_EQ(saved.filePath, QStringLiteral("/tmp/gone away/ø.png"));
    ScanPage restored = saved.toPage();
    EXPECT_FALSE(restored.id.isNull());
    EXPECT_NE(saved.toPage().id, restored.id);
    EXPECT_NE(restored.id, page.id);
    restored.id = page.id;
    EXPECT_EQ(restored, page);
}
