#include "ProjectFixtures.h"
#include "TestSupport.h"
#include "files/SurveyProjectDocument.h"

#include <gtest/gtest.h>

using fixtures::sampleDocument;
using fixtures::utc;

TEST(ProjectDocumentEncoding, MatchesTheCheckedInFileByteForByteAndReadsBack)
{
    const QByteArray golden =
        testsupport::readBytes(testsupport::sourceDir() + "/tests/files/golden/sample-project.twk");
    EXPECT_EQ(encodeProjectDocument(sampleDocument()).toStdString(), golden.toStdString());
    EXPECT_EQ(decodeProjectDocument(golden), sampleDocument());
}

TEST(ProjectDocumentEncoding, OptionalAndEmptyPartsRoundTrip)
{
    SurveyProjectDocument document = sampleDocument();
    document.csvPath.reset();
    const QByteArray withoutCSV = encodeProjectDocument(document);
    EXPECT_FALSE(withoutCSV.contains("csvPath"));
    EXPECT_EQ(decodeProjectDocument(withoutCSV), document);

    const auto empty = SurveyProjectDocument::fromState(SurveyConfiguration{}, {}, {}, {},
                                                        std::nullopt, utc(2026, 1, 1, 0, 0, 0));
    EXPECT_EQ(empty.projectName, SurveyConfiguration{}.title);
    const QByteArray written = encodeProjectDocument(empty);
    for (const char* list : {"pages", "questions", "responses"})
        EXPECT_TRUE(written.contains(QByteArray("\"") + list + "\" : [],\n")) << list;
    EXPECT_EQ(decodeProjectDocument(written), empty);
}

TEST(ProjectDocumentEncoding, TwoWritesOfAnUnchangedProjectDifferOnlyInSaveTime)
{
    SurveyProjectDocument later = sampleDocument();
    later.savedAt = utc(2026, 3, 1, 18, 30, 0);
    const QList<QByteArray> first = encodeProjectDocument(sampleDocument()).split('\n');
    const QList<QByteArray> second = encodeProjectDocument(later).split('\n');
    ASSERT_EQ(first.size(), second.size());
    for (qsizetype i = 0; i < first.size(); ++i) {
        if (first[i] != second[i]) {
            EXPECT_TRUE(first[i].contains("\"savedAt\" : ")) << first[i].toStdString();
        }
    }
}

TEST(ProjectDocumentEncoding, SavedPagesKeepEverythingButTheIdentifier)
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
    restored.id = page.id;
    EXPECT_EQ(restored, page);
}
