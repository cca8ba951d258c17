#include "TestSupport.h"

#include "reading/PageReader.h"
#include "reading/TextRecognizer.h"
#include "reading/VisionSurveyExtractionService.h"
#include "samples/SampleSet.h"
#include "scanner/PageNumbering.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Stacks from the sample generator, printed and filled in every way it
// knows (fonts, number formats, arrangements, boxes or bare labels, rings,
// ticks, crosses, fills, scribbles, pencil, scan effects), read as the
// command line reads them. No wrong answer may go unflagged.
namespace {
struct StackRow
{
    const char* name;
    SampleStackKind kind;
    quint32 seed;
    int surveys;
};

class GeneratedStacks : public ::testing::TestWithParam<StackRow>
{
};

TEST_P(GeneratedStacks, EveryWrongCellIsFlaggedAndMostAreRight)
{
    const StackRow row = GetParam();
    QTemporaryDir folder;
    const SampleSet set = makeSampleStack({.kind = row.kind,
                                           .surveyCount = row.surveys,
                                           .seed = row.seed,
                                           .dpi = 0,
                                           .degraded = true,
                                           .order = SampleStackOrder::duplex});
    QList<QStringList> passes;
    for (const QString& path : writeSampleSet(set, folder.path()))
        passes.append({path});
    const SurveyExtractionResult result = extractPagesSync(
        makePages(passes, PageNumbering::automaticDuplex), SurveyConfiguration{}, false, 2, {});
    ASSERT_EQ(result.responses.size(), row.surveys);
    int choiceCells = 0, choiceRight = 0;
    for (const SampleAnswerSheet& sheet : set.sheets) {
        const QStringList expected = expectedAnswers(sheet);
        const SurveyResponse& response = result.responses[sheet.surveyNumber - 1];
        for (qsizetype q = 0; q < expected.size(); ++q) {
            const bool flagged = std::any_of(result.reviewItems.begin(), result.reviewItems.end(),
                                             [&](const QuestionReviewItem& item) {
                                                 return item.surveyNumber == sheet.surveyNumber &&
                                                        item.questionNumber == q + 1;
                                             });
            const bool right = expected[q] == u"AMBIGUOUS"_s
                                   ? flagged
                                   : answerMatches(expected[q], response.answers.value(q));
            EXPECT_TRUE(right || flagged)
                << "survey " << sheet.surveyNumber << " Q" << q + 1 << ": expected "
                << expected[q].toStdString() << ", read " << response.answers.value(q).toStdString()
                << ", marked " << markStyleName(sheet.answers[q].style).toStdString();
            if (!sheet.answers[q].chosen.isEmpty() || expected[q] == u"N/A"_s) {
                if (q == 9 || q == 12 || q == 13)
                    continue;
                ++choiceCells;
                choiceRight += right ? 1 : 0;
            }
        }
    }
    EXPECT_GE(choiceRight, 0.85 * choiceCells) << choiceRight << " of " << choiceCells;
}

TEST(GeneratedPage, BlankQuestionsOnGreyPaperFedAskewWithBoxesCloseToTheirLabelsRaiseNoDoubt)
{
    // Survey 29 of this stack: bold URW Gothic labels whose check boxes
    // recognition reads as their first letter ("OMale"), on grey paper fed
    // upside down and 1.5 degrees askew; questions 1 and 7 left blank.
    const SampleSet set = makeSampleStack({.kind = SampleStackKind::mixed,
                                           .surveyCount = 40,
                                           .seed = 777,
                                           .dpi = 0,
                                           .degraded = true,
                                           .order = SampleStackOrder::duplex});
    const SampleAnswerSheet& sheet = set.sheets[28];
    const SampleSetPage& front = set.pages[56];
    ASSERT_EQ(front.surveyNumber, 29);
    ASSERT_EQ(front.options.paper, PaperTone::grey);
    ASSERT_GT(std::abs(front.options.skewDegrees), 1);
    ASSERT_TRUE(sheet.answers[0].chosen.isEmpty() && sheet.answers[6].chosen.isEmpty());
    QTemporaryDir folder;
    const QString file = folder.filePath(u"front.png"_s);
    ASSERT_TRUE(renderSurveyPage(sheet, SurveySide::front, front.options).save(file));
    const PageReading reading =
        readPage({.surveyNumber = 29, .pageNumber = 1, .fileURL = QUrl::fromLocalFile(file)},
                 makeReadingSetup(SurveyConfiguration(), false), TextRecognizer::forThisThread());
    for (const qint64 blank : {1, 7}) {
        const auto region =
            std::find_if(reading.regions.begin(), reading.regions.end(),
                         [&](const RegionReading& r) { return r.questionNumber == blank; });
        ASSERT_NE(region, reading.regions.end()) << blank;
        EXPECT_TRUE(region->answer.isEmpty()) << blank;
        EXPECT_FALSE(region->needsReview) << blank;
    }
}

INSTANTIATE_TEST_SUITE_P(Stacks, GeneratedStacks,
                         ::testing::Values(StackRow{"mixed", SampleStackKind::mixed, 11, 3},
                                           StackRow{"oneForm", SampleStackKind::oneForm, 12, 3}),
                         [](const ::testing::TestParamInfo<StackRow>& info) {
                             return std::string(info.param.name);
                         });
} // namespace
