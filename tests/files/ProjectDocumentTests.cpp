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
    const QByteArray written = encodeProjectDocument(empty);
    for (const char* list : {"pages", "questions", "responses"})
        EXPECT_TRUE(written.contains(QByteArray("\"") + list + "\" : [],\n")) << list;
    EXPECT_EQ(decodeProjectDocument(written), empty);
}
