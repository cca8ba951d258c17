#include "TestSupport.h"

#include "reading/BatchEvidence.h"
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
// A stack as the benchmark makes it: scan effects on, fronts and backs
// interleaved.
SampleSet duplexStack(SampleStackKind kind, int surveys, quint32 seed)
{
    return makeSampleStack({.kind = kind,
                            .surveyCount = surveys,
                            .seed = seed,
                            .dpi = 0,
                            .degraded = true,
                            .order = SampleStackOrder::duplex});
}

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
    const SampleSet set = duplexStack(row.kind, row.surveys, row.seed);
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

// Pages of generated stacks that once sent right answers to review, read
// on their own: each listed question reads as the respondent answered, with
// no doubt.
struct PageRow
{
    const char* name;
    SampleStackKind kind;
    quint32 seed;
    int surveys;
    int page;                // from 1, in the stack's duplex order
    QList<qint64> questions; // read right, with no doubt unless listed as doubted
    QList<qint64> doubted;   // marks a person must look at
};

class GeneratedPages : public ::testing::TestWithParam<PageRow>
{
};

TEST_P(GeneratedPages, ClearMarksReadRightAndTangledOnesInDoubt)
{
    const PageRow row = GetParam();
    const SampleSet set = duplexStack(row.kind, row.surveys, row.seed);
    const SampleSetPage& page = set.pages[row.page - 1];
    const SampleAnswerSheet& sheet = set.sheets[page.surveyNumber - 1];
    const QStringList expected = expectedAnswers(sheet);
    QTemporaryDir folder;
    const QString file = folder.filePath(u"page.png"_s);
    ASSERT_TRUE(renderSurveyPage(sheet, page.side, page.options).save(file));
    ScanPage scanned;
    scanned.surveyNumber = page.surveyNumber;
    scanned.fileURL = QUrl::fromLocalFile(file);
    const PageReading reading = readPage(scanned, makeReadingSetup(SurveyConfiguration(), false),
                                         TextRecognizer::forThisThread());
    for (const qint64 n : row.questions) {
        const auto region =
            std::find_if(reading.regions.begin(), reading.regions.end(),
                         [&](const RegionReading& r) { return r.questionNumber == n; });
        ASSERT_NE(region, reading.regions.end()) << n;
        const QString truth = expected.value(n - 1);
        EXPECT_TRUE(answerMatches(truth, region->answer.isEmpty() ? u"N/A"_s : region->answer))
            << "Q" << n << " expected " << truth.toStdString() << ", read "
            << region->answer.toStdString();
        if (!row.doubted.contains(n)) {
            EXPECT_FALSE(region->needsReview) << "Q" << n;
        }
    }
    for (const qint64 n : row.doubted) {
        const auto region =
            std::find_if(reading.regions.begin(), reading.regions.end(),
                         [&](const RegionReading& r) { return r.questionNumber == n; });
        ASSERT_NE(region, reading.regions.end()) << n;
        EXPECT_TRUE(region->needsReview) << "Q" << n << " read " << region->answer.toStdString();
    }
}

// Sheets of a generated stack read one by one, as the reader reads each
// page before the batch is weighed.
QList<PageReading> readSheets(const SampleSet& set, const QList<int>& pages)
{
    QList<PageReading> readings;
    QTemporaryDir folder;
    for (const int number : pages) {
        const SampleSetPage& page = set.pages[number - 1];
        const QString file = folder.filePath(u"page-%1.png"_s.arg(number));
        if (!renderSurveyPage(set.sheets[page.surveyNumber - 1], page.side, page.options)
                 .save(file))
            return {};
        ScanPage scanned;
        scanned.surveyNumber = page.surveyNumber;
        scanned.fileURL = QUrl::fromLocalFile(file);
        readings.append(readPage(scanned, makeReadingSetup(SurveyConfiguration(), false),
                                 TextRecognizer::forThisThread()));
    }
    return readings;
}

qsizetype regionIndex(const PageReading& page, qint64 questionNumber)
{
    for (qsizetype r = 0; r < page.regions.size(); ++r)
        if (page.regions[r].questionNumber == questionNumber)
            return r;
    return -1;
}

TEST(GeneratedBatch, ACrossReadIntoALabelOnOneSheetIsInDoubtBesideItsPrintRun)
{
    // The backs of seven sheets of one print run; on the fifth, a cross
    // drawn against "Learning" was read as part of its word, and the
    // question reads blank without doubt on that page alone.
    const SampleSet set = duplexStack(SampleStackKind::oneForm, 40, 1616);
    const QList<PageReading> readings = readSheets(set, {40, 42, 44, 46, 48, 50, 52});
    ASSERT_EQ(readings.size(), 7);
    const qsizetype q11 = regionIndex(readings[4], 11);
    ASSERT_GE(q11, 0);
    EXPECT_FALSE(readings[4].regions[q11].needsReview);
    EXPECT_TRUE(labelsStretchedPastTheirForm(readings).contains(std::pair(qsizetype(4), q11)));
    // Most of the others are found to be its form.
    EXPECT_GE(std::count_if(readings.begin(), readings.end(),
                            [&](const PageReading& other) {
                                return &other != &readings[4] && sameForm(readings[4], other);
                            }),
              4);
}

TEST(GeneratedBatch, AMixedStackReadsAsPageByPage)
{
    // Every sheet printed differently: no two are one form, and weighing
    // the batch changes no reading.
    const SampleSet set = duplexStack(SampleStackKind::mixed, 4, 11);
    const QList<PageReading> readings = readSheets(set, {1, 3, 5, 7});
    ASSERT_EQ(readings.size(), 4);
    for (qsizetype i = 0; i < readings.size(); ++i)
        for (qsizetype j = i + 1; j < readings.size(); ++j)
            EXPECT_FALSE(sameForm(readings[i], readings[j])) << i << " " << j;
    QList<PageReading> weighed = readings;
    ReadingSetup setup = makeReadingSetup(SurveyConfiguration(), false);
    setup.crops.kind = CropPlacement::Kind::nowhere;
    weighAcrossSheets({}, weighed, setup);
    for (qsizetype i = 0; i < readings.size(); ++i)
        for (qsizetype r = 0; r < readings[i].regions.size(); ++r)
            EXPECT_EQ(weighed[i].regions[r].needsReview, readings[i].regions[r].needsReview);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, GeneratedPages,
    ::testing::Values(
        // Bold URW Gothic labels whose check boxes recognition reads as their
        // first letter ("OMale"), on grey paper fed upside down and 1.5
        // degrees askew; questions 1 and 7 left blank.
        PageRow{"boxesCloseOnGreyPaperAskew", SampleStackKind::mixed, 777, 40, 57, {1, 7}, {}},
        // Tight rings that cost their labels the first reading.
        PageRow{"labelsFoundInsideTightRings", SampleStackKind::oneForm, 555, 60, 9, {3, 4, 6}, {}},
        // Ticks whose arms reach up into the row above, read as part of
        // that row's label.
        PageRow{"ticksReachingTheRowAbove", SampleStackKind::mixed, 888, 40, 45, {}, {3}},
        PageRow{"tickBeforeTheLastLabel", SampleStackKind::oneForm, 888, 40, 65, {}, {7}},
        // Filled boxes printed close against "I wanted" and "It was
        // required", read as "Olwanted" and "Ot".
        PageRow{"filledBoxesReadAsLetters", SampleStackKind::mixed, 777, 40, 77, {3}, {}},
        // Rings drawn tight round short labels, their letters touching:
        // beside one read, another label's word stands half as tall again.
        PageRow{"tightRingsBesideARingRead", SampleStackKind::mixed, 888, 40, 43, {}, {3}},
        PageRow{"tightRingsOnABlurredPage", SampleStackKind::mixed, 2026, 40, 37, {}, {3}},
        // A ring drawn tight round "No" that touches its check box: box and
        // ring make one frame as wide and tall as a small answer box.
        PageRow{"ringJoinedToItsCheckBox", SampleStackKind::mixed, 31337, 40, 55, {5}, {}},
        // A ring as tight and as square round "No" as a check box, read
        // with its letters as one word ("&9").
        PageRow{"tightRingAsSquareAsABox", SampleStackKind::oneForm, 31337, 40, 35, {6}, {}},
        // Beside a ring no taller than a line of print, an unmarked label
        // whose word recognition stretched over a speck below it; a label
        // whose word took in the scribbled box before it.
        PageRow{"wordStretchedOverASpeck", SampleStackKind::oneForm, 31337, 40, 6, {11}, {}},
        PageRow{"wordTookInAScribbledBox", SampleStackKind::oneForm, 31337, 40, 21, {}, {7}},
        // Ticked boxes recognition read as the first letters of their
        // labels, in a grid and in a row of options.
        PageRow{"tickedBoxesReadIntoTheirWords", SampleStackKind::mixed, 4711, 40, 29, {2, 7}, {}},
        // Squares drawn by letters: a bold "M" after "Time", a serif "O" a
        // little way after its box, a bold "W" under a heading's "a".
        PageRow{"boldLetterAfterAWordDrawsASquare", SampleStackKind::mixed, 4711, 40, 50, {11}, {}},
        PageRow{"letterAfterItsBoxDrawsASquare", SampleStackKind::mixed, 31337, 40, 27, {3}, {}},
        PageRow{
            "boldLetterUnderAHeadingDrawsASquare", SampleStackKind::mixed, 888, 40, 60, {11}, {}},
        // Letters recognition cut or shared out: a "T" whose top a ring above
        // took, cut short at the left; an "N" read with a speck as a dash; a
        // "g" read again as a word; bold "was" blurred wider than a mark.
        // Beside the dash, a ring tight round a label read again.
        PageRow{"firstLetterCutUnderARing", SampleStackKind::mixed, 4711, 40, 30, {11}, {}},
        PageRow{"capitalReadWithASpeckAsADash", SampleStackKind::mixed, 4711, 40, 56, {8, 11}, {}},
        PageRow{"letterReadAgainAsAWord", SampleStackKind::mixed, 4711, 40, 66, {11}, {}},
        PageRow{"boldWordBlurredWide", SampleStackKind::oneForm, 4711, 40, 29, {3}, {}},
        // A serif capital I recognition left out of "I had SOME support",
        // beside a tick whose tail reaches up past it; "Management" read
        // without its last "t"; "not" inside the whole label read again.
        PageRow{"serifCapitalILeftOut", SampleStackKind::mixed, 4711, 40, 66, {12}, {}},
        PageRow{"lastLetterLeftOut", SampleStackKind::oneForm, 888, 40, 34, {11}, {}},
        PageRow{"letterInsideALabelReadAgain", SampleStackKind::mixed, 4711, 40, 33, {1}, {}},
        // Dust against a label; writing on an "Other" rule whose tails hang
        // below it.
        PageRow{"dustBesideALabel", SampleStackKind::mixed, 4711, 40, 31, {3}, {}},
        PageRow{"writingHangingBelowItsRule", SampleStackKind::oneForm, 4711, 40, 1, {3}, {}},
        // Writing on an "Other" rule and after "No, I plan to pursue a
        // career in", each rule read as a blank word of its own length.
        PageRow{"ruleReadAsABlankWord", SampleStackKind::oneForm, 4711, 40, 9, {3}, {}},
        PageRow{"careerRuleReadAsABlankWord", SampleStackKind::oneForm, 4711, 40, 34, {8}, {}},
        // Rings round "Jordan" and "Alpine" whose flat tops and bottoms were
        // taken out as lines, leaving an arc at each end; the right arc
        // stands as near the next label as its own.
        PageRow{"ringLeftAsTwoArcs", SampleStackKind::oneForm, 4711, 40, 71, {4}, {}},
        PageRow{"ringRoundTheFirstLabelAsTwoArcs", SampleStackKind::oneForm, 4711, 40, 63, {4}, {}},
        // A short word written large in an open box, read surely as "LAR".
        PageRow{"wordWrittenLargeReadAsPrint", SampleStackKind::mixed, 888, 40, 52, {14}, {14}},
        // A ring round box and "12th" read as "(12)" and taken for "11th",
        // with "12th" placed beside it and two labels not found: in doubt.
        PageRow{"ringedLabelTakenForAnother", SampleStackKind::mixed, 888, 40, 7, {}, {2}},
        // Two ticks before labels one above the other, touching.
        PageRow{"ticksOneAboveTheOther", SampleStackKind::mixed, 4711, 40, 34, {11}, {}},
        // A short word written small on the first rule.
        PageRow{"shortWordWrittenSmall", SampleStackKind::oneForm, 4711, 40, 70, {10}, {10}},
        // Marks recognition read into their labels' first words: a tick
        // whose foot read "__/" before "Prefer", a tick or cross before a
        // label starting "I", a tick half again as tall as "Communication"'s
        // letters, a ticked box smaller than the print read as "1" with the
        // "I" after it.
        PageRow{"tickFootReadAsRules", SampleStackKind::oneForm, 1616, 40, 49, {1}, {}},
        // A blank question whose serif "N" recognition split off as "—_":
        // no mark, though the label is in doubt without its first letter.
        PageRow{"serifCapitalReadAsADash", SampleStackKind::oneForm, 1515, 40, 48, {8}, {8}},
        PageRow{"tickReadIntoACapitalI", SampleStackKind::oneForm, 1616, 40, 38, {11, 12}, {}},
        PageRow{"crossReadIntoACapitalI", SampleStackKind::oneForm, 1616, 40, 13, {3}, {}},
        PageRow{"tickedSmallBoxReadAsALetter", SampleStackKind::oneForm, 303, 40, 13, {3}, {}},
        // Three ticked boxes in a column, the middle one read into "Mt"
        // with its label, the lowest tick's top reaching the box above.
        PageRow{"columnOfTickedBoxesReadIntoWords", SampleStackKind::oneForm, 303, 40, 27, {3}, {}},
        // A tick joining its box to "Yes," after it: neither the box's
        // straight sides nor its outline stand alone. Squares bold letters
        // draw in a column ("Yes, in") or in a row of boxes ("All") hold
        // print.
        PageRow{"boxJoinedToItsLabelByATick", SampleStackKind::oneForm, 303, 40, 4, {8}, {}},
        PageRow{"letterSquaresInAColumn", SampleStackKind::mixed, 4711, 40, 2, {8}, {}},
        PageRow{"letterSquareInARowOfBoxes", SampleStackKind::mixed, 4711, 40, 46, {9}, {}},
        // A ticked box in a grid of four, one box above it and one beside.
        PageRow{"tickedBoxInAGrid", SampleStackKind::oneForm, 303, 40, 22, {12}, {}},
        // A blank question whose bold serif "A little" recognition boxed
        // by the "A"'s crossbar alone.
        PageRow{"capitalBoxedByItsCrossbar", SampleStackKind::oneForm, 606, 40, 2, {9}, {}},
        // "Communication" boxed with a speck of dust above it, twice as tall
        // as print: its letters stay print, not a mark beside the ticks.
        PageRow{"wordStretchedOverDust", SampleStackKind::oneForm, 606, 40, 6, {11}, {}},
        // A ring round "Writing" broken at its flat sides; its right arc,
        // read as "~" before "Learning", is no part of that label.
        PageRow{"ringArcReadBeforeTheNextLabel", SampleStackKind::oneForm, 1515, 40, 6, {11}, {}},
        // A tick before "Female" whose long arm reaches up over "Male"
        // above: its middle stands between the rows, nearer "Male".
        PageRow{"tickArmOverTheRowAbove", SampleStackKind::mixed, 1515, 40, 43, {}, {1}},
        // A tick before "Yes" four print heights tall, its arm climbing past
        // the question's number: it points with its foot.
        PageRow{"tickClimbingToTheNumber", SampleStackKind::oneForm, 888, 40, 25, {6}, {}},
        // A tick before "Problem solving" joined to a pencil doodle in the
        // margin above: the mark stands in the margin, its tick in doubt.
        PageRow{"tickJoinedToAMarginDoodle", SampleStackKind::oneForm, 888, 40, 66, {}, {11}},
        // "No, I plan to pursue a career in" recognised as three lines, its
        // "I" read as a bar apart; its bold "N" drawing a square in "No,".
        PageRow{"labelSplitAtABar", SampleStackKind::oneForm, 2026, 40, 34, {8}, {}},
        PageRow{"boldCapitalInATwoLetterWord", SampleStackKind::oneForm, 2026, 40, 64, {8}, {}},
        // A pale pencil cross read as a sign standing twice as tall as
        // print, only its darker middle ink: no dust to cut off.
        PageRow{"paleCrossReadAsATallSign", SampleStackKind::oneForm, 1515, 40, 4, {}, {11}},
        // A tick read as a "V" standing twice as tall as print, its arm
        // thinning apart from its foot.
        PageRow{"tickReadAsATallV", SampleStackKind::oneForm, 606, 40, 37, {7}, {}},
        // A ticked box read unsurely into "Personal", the tick's tip a
        // thin stroke apart above the print: the word still holds a mark.
        PageRow{"tickTipAboveAnUnsureWord", SampleStackKind::oneForm, 303, 40, 15, {}, {7}},
        // A wide ring round "Personal interest or curiosity" broken where it
        // touched the rows above and below: its left arc, its middle between
        // the rows, reaches below its label too.
        PageRow{"ringArcReachingTheRowAbove", SampleStackKind::oneForm, 888, 40, 11, {7}, {}},
        // Short words written small in a written answer's space, in blank
        // space or on a ruled line, a loop of each closed square enough to
        // pass for a check box.
        PageRow{"smallWordTakenForABox", SampleStackKind::mixed, 1616, 40, 6, {14}, {14}},
        PageRow{"tinyWordTakenForABox", SampleStackKind::oneForm, 1515, 40, 36, {13}, {13}},
        PageRow{"smallWordOnARuledLine", SampleStackKind::mixed, 1616, 40, 28, {13}, {13}},
        // A "P" whose bowl blurred into a square, its stem below it, on a
        // page with boxes elsewhere.
        PageRow{"letterBowlBlurredSquare", SampleStackKind::mixed, 4711, 40, 9, {4}, {}},
        // A ring round "Teamwork" touching "Learning" above and "Time
        // Management" below; its arcs through their letters sorted as print.
        // The label below, its word stretched over the arc, is in doubt.
        PageRow{"ringThroughTheLettersAboveAndBelow",
                SampleStackKind::oneForm,
                888,
                40,
                6,
                {11},
                {11}}),
    [](const ::testing::TestParamInfo<PageRow>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Stacks, GeneratedStacks,
                         ::testing::Values(StackRow{"mixed", SampleStackKind::mixed, 11, 3},
                                           StackRow{"oneForm", SampleStackKind::oneForm, 12, 3}),
                         [](const ::testing::TestParamInfo<StackRow>& info) {
                             return std::string(info.param.name);
                         });
} // namespace
