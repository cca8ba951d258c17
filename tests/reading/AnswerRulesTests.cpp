#include "reading/AnswerRules.h"
#include "reading/ExtractionFold.h"
#include "reading/QuestionAnchors.h"
#include "reading/ReviewSnippets.h"
#include "reading/TextRecognizer.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
using Kind = SurveyTemplateDefinition::QuestionKind;

SurveyTemplateDefinition krda()
{
    return SurveyTemplateDefinition(SurveyConfiguration());
}

QuestionRegion region(qint64 n, const char* text = "", QRectF rect = {100, 100, 2000, 400})
{
    return {n, QString::fromUtf8(text), rect};
}

DetectedMark mark(const char* label, double confidence, QRectF bounds = {})
{
    return {QString::fromUtf8(label), confidence, bounds};
}

TEST(RegionBlocks, CentreInsideOrMostlyInside)
{
    const QRectF rect(0, 0, 1000, 100);
    const RecognizedTextBlock centred{"a", 1, QRectF(10, 60, 100, 60)};  // centre y 90
    const RecognizedTextBlock mostly{"b", 1, QRectF(10, -40, 100, 120)}; // 2/3 inside, centre 20
    const RecognizedTextBlock half{"c", 1, QRectF(10, 95, 100, 10)};     // centre 100 (outside)
    const RecognizedTextBlock outside{"d", 1, QRectF(10, 300, 100, 10)};
    const QList<RecognizedTextBlock> inside =
        regionTextBlocks({outside, half, mostly, centred}, rect);
    ASSERT_EQ(inside.size(), 2);
    EXPECT_EQ(inside[0].text, u"b"_s);
    EXPECT_EQ(inside[1].text, u"a"_s);
}

TEST(Strip, RemovesNumberAndPrintedWording)
{
    EXPECT_EQ(stripQuestionText(u"Q 14: Any suggestions for us? More snacks"_s,
                                region(14, "Any suggestions for us?")),
              u"More snacks"_s);
    EXPECT_EQ(stripQuestionText(u"14 more"_s, region(14)), u"more"_s);
    // Another number is not stripped.
    EXPECT_EQ(stripQuestionText(u"3. text"_s, region(4)), u"3. text"_s);
}

TEST(Prompt, TemplateWordingUnlessGeneric)
{
    EXPECT_EQ(questionPrompt(region(1, "lam:"), krda()), u"I am:"_s);
    SurveyConfiguration custom;
    custom.templatePreset = SurveyTemplate::custom;
    custom.templateFields = SurveyTemplateField::defaults(SurveyTemplate::custom);
    const SurveyTemplateDefinition generic(custom);
    EXPECT_EQ(questionPrompt(region(3, "Why did you come?"), generic), u"Why did you come?"_s);
    EXPECT_EQ(questionPrompt(region(40, "Printed"), generic), u"Printed"_s);
    EXPECT_TRUE(isGenericQuestionPrompt(u"  qUeStIoN 3 \n"_s, 3));
    EXPECT_FALSE(isGenericQuestionPrompt(u"Question 4"_s, 3));
}

TEST(Answer, MarksInkAndTextByQuestionKind)
{
    const SurveyTemplateDefinition definition = krda();
    const UnreadInkSignal ink{0.01, 0.8, QRectF(0, 0, 10, 10)};
    EXPECT_EQ(composeAnswer(11, {mark("Writing", 0.9), mark("None", 0.7)}, std::nullopt, 0.9,
                            QString(), definition),
              u"Writing; None"_s);
    EXPECT_EQ(composeAnswer(10, {}, ink, 0.9, u"x"_s, definition), handwrittenAnswerText);
    EXPECT_EQ(composeAnswer(10, {}, std::nullopt, 0.95, u"x"_s, definition), QString());
    // A choice question never takes its printed labels as the answer.
    EXPECT_EQ(composeAnswer(5, {}, std::nullopt, 0.99, u"Yes No"_s, definition), QString());
    // A free-text question without options: only confidently read text.
    EXPECT_EQ(composeAnswer(20, {}, std::nullopt, 0.95, u"Blue"_s, definition), u"Blue"_s);
    EXPECT_EQ(composeAnswer(20, {}, std::nullopt, 0.85, u"Blue"_s, definition), QString());
}

TEST(Answer, ConfidenceAndMerging)
{
    const UnreadInkSignal ink{0.01, 0.8, QRectF()};
    EXPECT_EQ(confidenceForAnswer(QString(), {mark("A", 0.6)}, ink, 0.3), 1.0);
    EXPECT_EQ(confidenceForAnswer("A; B", {mark("A", 0.9), mark("B", 0.6)}, ink, 0.3), 0.6);
    EXPECT_EQ(confidenceForAnswer("x", {}, ink, 0.3), 0.8);
    EXPECT_EQ(confidenceForAnswer("x", {}, std::nullopt, 0.3), 0.3);

    EXPECT_EQ(mergeAnswers(QString(), "Yes"), u"Yes"_s);
    EXPECT_EQ(mergeAnswers("Yes", QString()), u"Yes"_s);
    EXPECT_EQ(mergeAnswers("Yes; No", "No"), u"Yes; No"_s);
    EXPECT_EQ(mergeAnswers("Yes", "no"), u"Yes; no"_s);
}

// Each case names the rule it shows; the inputs are those the rule turns on.
TEST(Review, DecidesByEachRule)
{
    const auto in = [](const char* answer, double confidence, auto change) {
        ReviewInputs inputs;
        inputs.answer = QString::fromUtf8(answer);
        inputs.confidence = confidence;
        change(inputs);
        return inputs;
    };
    const auto unchanged = [](ReviewInputs&) {};
    const std::tuple<const char*, ReviewInputs, bool> cases[] = {
        {"confident answer", in("Yes", 0.98, unchanged), false},
        {"below threshold", in("Yes", 0.9, unchanged), true},
        {"answer with ink", in("Yes", 0.98, [](auto& i) { i.hasUnreadInk = true; }), true},
        {"blank with ink", in("", 1.0, [](auto& i) { i.hasUnreadInk = true; }), true},
        {"blank choice", in("", 1.0, [](auto& i) { i.hasOptions = true; }), true},
        {"blank written", in("", 1.0, unchanged), false},
        {"unsure text, no answer", in("", 1.0, [](auto& i) { i.strippedText = "words"; }), false},
        {"weak mark",
         in("A", 0.45,
            [](auto& i) {
                i.reviewThreshold = 0.4;
                i.marks = {mark("A", 0.45)};
            }),
         true},
        {"two marks on single choice", in("Yes", 0.98, [](auto& i) { i.conflictingMarks = true; }),
         true},
        {"some labels not found", in("Other", 0.98, [](auto& i) { i.unlocatedOptions = true; }),
         true},
        {"everything for AI First", in("Yes", 0.98, [](auto& i) { i.includeAll = true; }), true},
    };
    for (const auto& [name, inputs, expected] : cases)
        EXPECT_EQ(needsReview(inputs), expected) << name;
}

TEST(SnippetRect, InkThenMarksThenLabelsThenRegion)
{
    const QuestionRegion r = region(5, "", QRectF(100, 100, 2000, 400));
    const SurveyTemplateDefinition definition = krda();
    const UnreadInkSignal ink{0.01, 0.8, QRectF(300, 120, 50, 20)};
    EXPECT_EQ(reviewSnippetRect(r, "", {}, ink, {}, definition), QRectF(100, 120, 2000, 292));
    EXPECT_EQ(reviewSnippetRect(
                  r, "",
                  {mark("Yes", 0.9, QRectF(10, 10, 5, 5)), mark("No", 0.9, QRectF(30, 20, 5, 5))},
                  std::nullopt, {}, definition),
              QRectF(10, 10, 25, 15));
    const RecognizedTextBlock labels{"Yes", 0.9, QRectF(400, 300, 60, 40)};
    EXPECT_EQ(reviewSnippetRect(r, "", {}, std::nullopt, {labels}, definition),
              QRectF(400, 300, 60, 40));
    EXPECT_EQ(reviewSnippetRect(r, "", {}, std::nullopt, {}, definition), r.rect);
}

TEST(Snippet, TallCropsAreTurnedAndNamesAreFixed)
{
    QImage tall(100, 200, QImage::Format_RGB32);
    EXPECT_EQ(orientReviewSnippet(tall).size(), QSize(200, 100));
    QImage wide(100, 135, QImage::Format_RGB32);
    EXPECT_EQ(orientReviewSnippet(wide).size(), QSize(100, 135));
    EXPECT_EQ(reviewSnippetURL(u"/scans/b-1/review-crops"_s, 12, 3, 7).toLocalFile(),
              u"/scans/b-1/review-crops/survey-12-page-3-q-7.png"_s);
}

TEST(Lines, SplitWhereWordsStandFarApart)
{
    const RecognizedTextBlock line{"Yes, in Math Other", 0.7, QRectF(0, 0, 900, 40)};
    const QList<RecognizedWord> words{{"Yes,", 0.9, QRectF(0, 0, 80, 40)},
                                      {"in", 0.9, QRectF(95, 0, 40, 40)},
                                      {"Math", 0.5, QRectF(150, 0, 100, 40)},
                                      {"Other", 0.9, QRectF(500, 0, 120, 40)}};
    const QList<RecognizedTextBlock> pieces = splitAtWideGaps(line, words);
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces[0].text, u"Yes, in Math"_s);
    EXPECT_EQ(pieces[0].pixelBounds, QRectF(0, 0, 250, 40));
    EXPECT_NEAR(pieces[0].confidence, 2.3 / 3, 1e-9);
    EXPECT_EQ(pieces[1].text, u"Other"_s);
    EXPECT_EQ(pieces[1].pixelBounds, QRectF(500, 0, 120, 40));
    EXPECT_EQ(pieces[1].words.size(), 1);
    EXPECT_EQ(splitAtWideGaps(line, words.mid(0, 3)), (QList<RecognizedTextBlock>{line}));
}

TEST(Lines, LeadingBoxGlyphStandsApartFromItsLabel)
{
    const RecognizedWord label{"Female", 0.95, QRectF(300, 5, 150, 32)};
    EXPECT_TRUE(looksLikeBoxGlyph({"[_]", 0.8, QRectF(240, 0, 41, 41)}, 32));
    EXPECT_TRUE(looksLikeBoxGlyph({"Ml", 0.3, QRectF(240, 0, 50, 41)}, 32));
    EXPECT_TRUE(looksLikeBoxGlyph({"M", 0.9, QRectF(240, 0, 41, 60)}, 32));
    // Words of the label and question numbers stay.
    EXPECT_FALSE(looksLikeBoxGlyph({"I", 0.9, QRectF(240, 5, 8, 32)}, 32));
    EXPECT_FALSE(looksLikeBoxGlyph({"A", 0.9, QRectF(240, 5, 30, 32)}, 32));
    EXPECT_FALSE(looksLikeBoxGlyph({"12.", 0.4, QRectF(240, 5, 60, 40)}, 32));
    EXPECT_FALSE(looksLikeBoxGlyph({"Q7-", 0.4, QRectF(240, 5, 60, 40)}, 32));
    EXPECT_FALSE(looksLikeBoxGlyph({"had", 0.42, QRectF(330, 5, 72, 29)}, 37));
    EXPECT_FALSE(looksLikeBoxGlyph({"1.1", 0.6, QRectF(240, 5, 60, 40)}, 24));
    // "It" before "was required": taller than "was", not than "required".
    EXPECT_FALSE(looksLikeBoxGlyph({"It", 0.96, QRectF(240, 5, 29, 29)}, 37));

    const RecognizedTextBlock line{"[_] Female", 0.7, QRectF(240, 0, 210, 41)};
    const QList<RecognizedTextBlock> pieces =
        splitAtWideGaps(line, {{"[_]", 0.5, QRectF(240, 0, 41, 41)}, label});
    ASSERT_EQ(pieces.size(), 2);
    EXPECT_EQ(pieces[1].text, u"Female"_s);
    EXPECT_EQ(pieces[1].pixelBounds, label.pixelBounds);
}

ScanPage page(qint64 survey, qint64 number)
{
    ScanPage p;
    p.surveyNumber = survey;
    p.pageNumber = number;
    p.fileURL = QUrl::fromLocalFile(u"/scans/p%1.png"_s.arg(number));
    return p;
}

RegionReading regionReading(qint64 n, QString answer, bool review = false)
{
    RegionReading r;
    r.questionNumber = n;
    r.prompt = u"P%1"_s.arg(n);
    r.answer = answer;
    r.needsReview = review;
    return r;
}

TEST(Fold, FrontAndBackFillOneRowInPageOrder)
{
    QTemporaryDir temp;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    const ReadingSetup setup = makeReadingSetup(SurveyConfiguration(), true);
    const QList<ScanPage> pages{page(1, 1), page(1, 2), page(2, 3), page(3, 4)};
    const QList<PageReading> readings{
        {{}, {regionReading(1, "Yes"), regionReading(2, "  ")}},
        {{}, {regionReading(1, "No", true), regionReading(14, "Yes")}},
        {{}, {regionReading(1, "Yes")}},
        {u"not an image"_s, {}}};
    const SurveyExtractionResult result = foldPageReadings(pages, readings, setup);
    qunsetenv("TMPDIR");

    ASSERT_EQ(result.responses.size(), 2);
    EXPECT_EQ(result.responses[0].answers.size(), 14);
    EXPECT_EQ(result.responses[0].answers[0], u"Yes; No"_s);
    EXPECT_EQ(result.responses[0].answers[1], u"N/A"_s);
    EXPECT_EQ(result.responses[0].answers[13], u"Yes"_s);
    EXPECT_EQ(result.responses[1].surveyNumber, 2);
    // The region's own item, then one for every question no page of its
    // survey showed: 3-13 of survey 1 and 2-14 of survey 2.
    ASSERT_EQ(result.reviewItems.size(), 1 + 11 + 13);
    EXPECT_EQ(result.reviewItems[0].pageNumber, 2);
    EXPECT_EQ(result.reviewItems[0].reviewNote, aiFirstReviewNote);
    for (qsizetype i = 1; i < result.reviewItems.size(); ++i)
        EXPECT_EQ(result.reviewItems[i].reviewNote, questionNotFoundNote) << i;
    EXPECT_EQ(result.reviewItems[1].questionNumber, 3);
    EXPECT_EQ(result.reviewItems[12].surveyNumber, 2);
    EXPECT_EQ(result.reviewItems[12].questionNumber, 2);
    EXPECT_EQ(result.questions[0], (SurveyQuestion{1, u"P1"_s}));
    EXPECT_EQ(result.questions[2], (SurveyQuestion{3, krda().questions.value(3).text}));
    ASSERT_EQ(result.skippedPages.size(), 1);
    EXPECT_EQ(result.skippedPages[0].reason, u"not an image"_s);
}

TEST(Fold, NoPagesGiveTheTemplateQuestions)
{
    SurveyConfiguration configuration;
    configuration.templatePreset = SurveyTemplate::custom;
    configuration.templateFields = {{3, u"Why?"_s, SurveyDetectionMode::written, {}},
                                    {5, u"Skip"_s, SurveyDetectionMode::ignore, {}}};
    const ReadingSetup setup = makeReadingSetup(configuration, false);
    EXPECT_EQ(setup.questionCount, 5);
    const SurveyExtractionResult result = foldPageReadings({}, {}, setup);
    EXPECT_TRUE(result.responses.isEmpty());
    EXPECT_EQ(result.questions,
              (QList<SurveyQuestion>{{1, ""}, {2, ""}, {3, "Why?"}, {4, ""}, {5, ""}}));
}

} // namespace
