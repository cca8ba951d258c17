#include "RenderedSurveyPage.h"
#include "TestSupport.h"

#include "reading/ExtractionFold.h"
#include "reading/LabelsReadAgain.h"
#include "reading/PageImages.h"
#include "reading/PageInk.h"
#include "reading/PageReader.h"
#include "reading/QuestionAnchors.h"
#include "reading/QuestionRegions.h"
#include "reading/ReviewSnippets.h"
#include "reading/TextRecognizer.h"
#include "reading/VisionSurveyExtractionService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
using Mark = RenderedSurveyPage::Mark;

QImage frontPage()
{
    RenderedSurveyPage page;
    page.question(1, u"I am:"_s);
    page.optionRow({"Male", "Female", "Prefer not to answer"}, {Mark::tick}, true);
    page.question(2, u"My current Grade Level is (circle one):"_s);
    page.optionRow({"5th", "6th", "7th", "8th", "9th", "10th", "11th", "12th"},
                   {Mark::none, Mark::none, Mark::circle}, false);
    page.question(3, u"I decided to do a project this year because (check all that apply)"_s);
    page.optionRow({"I wanted", "It was required", "Other"}, {Mark::none, Mark::none, Mark::cross},
                   true);
    page.question(4, u"Which school district do you attend? (Circle one)"_s);
    page.optionRow({"Alpine", "Jordan", "Nebo", "Provo", "Wasatch", "Charter", "Home/Private"}, {},
                   false);
    page.question(5, u"Is this the first time you've been to KRDA?"_s);
    page.optionRow({"Yes", "No"}, {Mark::fill, Mark::none}, true);
    page.question(6, u"Are you interested in doing a project again next year?"_s);
    page.optionRow({"Yes", "No", "Maybe"}, {Mark::none, Mark::none, Mark::fill}, true);
    page.question(7, u"How did you come up with the idea for your project?"_s);
    page.optionColumn({"Help from my parent/guardian", "Help from a teacher",
                       "Personal interest or curiosity", "Online research or online video",
                       "Other"},
                      {Mark::none, Mark::cross, Mark::none, Mark::fill});
    return page.image();
}

QImage backPage()
{
    RenderedSurveyPage page;
    page.question(8, u"Are you interested in a future career related to STEM?"_s);
    page.optionColumn({"Yes, in Science", "Yes, in Technology", "Yes, in Engineering",
                       "Yes, in Math", "No, I plan to pursue a career in"},
                      {Mark::none, Mark::tick});
    page.question(9, u"Did participating in STEM Fair affect your interest in a STEM future?"_s);
    page.optionRow({"A LOT", "SOME", "In the middle", "A little", "Not at All"},
                   {Mark::none, Mark::circle}, false);
    page.question(10, u"What is your favorite thing about science, math and/or engineering?"_s);
    page.handwriting(3);
    page.question(11,
                  QStringLiteral("What skills do you think improved by doing a project? (check all "
                                 "that apply)"));
    page.optionRow({"Problem solving", "Critical Thinking", "Research Ability", "Writing"},
                   {Mark::none, Mark::tick}, true);
    page.optionRow({"Learning", "Presenting", "Teamwork", "Communication"},
                   {Mark::none, Mark::none, Mark::cross}, true);
    page.question(12, u"Did you feel you had enough support to complete your project?"_s);
    page.optionColumn({"I had LOTS of support", "I had SOME support", "I had a LITTLE support",
                       "I didn't have any support"},
                      {Mark::none, Mark::tick});
    page.question(13, u"What was the hardest part of completing a project?"_s);
    page.space(260);
    page.question(14, u"Any suggestions for us?"_s);
    return page.image();
}

ScanPage scanPage(qint64 survey, SurveySide side, qint64 number, const QString& path)
{
    ScanPage page;
    page.surveyNumber = survey;
    page.side = side;
    page.pageNumber = number;
    page.fileURL = QUrl::fromLocalFile(path);
    return page;
}

class RenderedPages : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new QTemporaryDir;
        // Nothing may land in the temporary folder; it is watched below.
        qputenv("TMPDIR", folder->filePath("tmp").toLocal8Bit());
        const QString dir = folder->path();
        front = frontPage();
        frontPage().save(dir + "/front.png");
        backPage().save(dir + "/back.png");
        rotatedImage(frontPage(), 2)->save(dir + "/upside-down.jpg", "JPEG", 90);
        // Fed askew and sideways: label boxes lean taller than their print
        // unless the page is read level, and the lines run down the page.
        rotatedImage(straightenedImage(frontPage(), 2.8), 3)->save(dir + "/askew.jpg", "JPEG", 90);
        QFile garbage(dir + "/garbage.png");
        garbage.open(QIODevice::WriteOnly);
        garbage.write("this is no picture");
        garbage.close();
        // Listed out of page order on purpose.
        pages = {scanPage(1, SurveySide::back, 2, dir + "/back.png"),
                 scanPage(1, SurveySide::front, 1, dir + "/front.png"),
                 scanPage(2, SurveySide::front, 3, dir + "/upside-down.jpg"),
                 scanPage(3, SurveySide::front, 4, dir + "/garbage.png"),
                 scanPage(3, SurveySide::back, 5, dir + "/missing.png"),
                 scanPage(4, SurveySide::front, 6, dir + "/askew.jpg")};
        VisionSurveyExtractionService reader(2);
        result = new SurveyExtractionResult(testsupport::runTask(
            reader.extract(pages, SurveyConfiguration(), false, [](int done, int total) {
                progressCalls.append({done, total});
                progressOnCallingThread =
                    progressOnCallingThread && QThread::currentThread() == qApp->thread();
            })));
    }

    static void TearDownTestSuite()
    {
        delete result;
        delete folder;
        qunsetenv("TMPDIR");
    }

    static const QuestionReviewItem* reviewFor(qint64 survey, qint64 question)
    {
        for (const QuestionReviewItem& item : result->reviewItems) {
            if (item.surveyNumber == survey && item.questionNumber == question)
                return &item;
        }
        return nullptr;
    }

    static QStringList answers(qint64 survey)
    {
        for (const SurveyResponse& response : result->responses) {
            if (response.surveyNumber == survey)
                return response.answers;
        }
        return {};
    }

    // Review items differ from the batch's in their ids only.
    static void expectSameAsBatch(const SurveyExtractionResult& other)
    {
        ASSERT_EQ(other.responses.size(), result->responses.size());
        for (qsizetype i = 0; i < other.responses.size(); ++i)
            EXPECT_EQ(other.responses[i].answers, result->responses[i].answers) << i;
        ASSERT_EQ(other.reviewItems.size(), result->reviewItems.size());
        for (qsizetype i = 0; i < other.reviewItems.size(); ++i) {
            QuestionReviewItem item = other.reviewItems[i];
            item.id = result->reviewItems[i].id;
            EXPECT_EQ(item, result->reviewItems[i]);
        }
        EXPECT_EQ(other.questions, result->questions);
        EXPECT_EQ(other.skippedPages, result->skippedPages);
    }

    static inline QTemporaryDir* folder = nullptr;
    static inline QImage front;
    static inline QList<ScanPage> pages;
    static inline SurveyExtractionResult* result = nullptr;
    static inline QList<QPair<int, int>> progressCalls;
    static inline bool progressOnCallingThread = true;
};

TEST_F(RenderedPages, PrintedNumbersAnchorOneRegionPerQuestion)
{
    const QList<RecognizedTextBlock> blocks =
        TextRecognizer::forThisThread().recognizeText(*highContrastImage(front));
    const QList<QuestionAnchor> anchors = detectQuestionAnchors(blocks, 14);
    QList<qint64> numbers;
    for (const QuestionAnchor& anchor : anchors)
        numbers.append(anchor.questionNumber);
    EXPECT_EQ(numbers, (QList<qint64>{1, 2, 3, 4, 5, 6, 7}));
    const QList<QuestionRegion> regions = makeQuestionRegions(blocks, QSizeF(front.size()), 14, 14);
    ASSERT_EQ(regions.size(), 7);
    for (qsizetype i = 1; i < regions.size(); ++i)
        EXPECT_LE(regions[i - 1].rect.bottom(), regions[i].rect.top()) << i;
    EXPECT_TRUE(regions[0].questionText.contains(u"am"_s)) << regions[0].questionText.toStdString();
}

// Layout analysis alone tells a page fed upside down, which is then
// recognised turned over first; an upright page, or one with too few
// letters to tell by, is recognised at once, exactly as recognizeText does.
TEST_F(RenderedPages, LayoutTellsAPageFedUpsideDownBeforeRecognition)
{
    TextRecognizer& recognizer = TextRecognizer::forThisThread();
    for (const QImage& page : {frontPage(), backPage()}) {
        const QImage upright = *highContrastImage(page);
        const std::optional<QList<RecognizedTextBlock>> read =
            recognizer.recognizeTextUnlessUpsideDown(upright);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, recognizer.recognizeText(upright));
        EXPECT_FALSE(recognizer.recognizeTextUnlessUpsideDown(*rotatedImage(upright, 2)));
    }
    RenderedSurveyPage few;
    few.question(1, u"I am:"_s);
    const QImage turned = *rotatedImage(*highContrastImage(few.image()), 2);
    EXPECT_EQ(recognizer.recognizeTextUnlessUpsideDown(turned), recognizer.recognizeText(turned));
}

TEST_F(RenderedPages, BoxRingAndWrittenAnswersOnBothSides)
{
    // Question 7 has two marks: checked on its own below.
    QStringList row = answers(1);
    ASSERT_EQ(row.size(), 14);
    row[6].clear();
    EXPECT_EQ(row, (QStringList{u"Male"_s,
                                u"7th"_s,
                                u"Other"_s,
                                u"N/A"_s,
                                u"Yes"_s,
                                u"Maybe"_s,
                                {},
                                u"Yes, in Technology"_s,
                                u"SOME"_s,
                                u"Handwritten answer needs review"_s,
                                u"Critical Thinking; Teamwork"_s,
                                u"I had SOME support"_s,
                                u"N/A"_s,
                                u"N/A"_s}));
    // A blank choice question with every label found, and the blank
    // written ones, need nobody.
    for (const qint64 blank : {4, 13, 14})
        EXPECT_EQ(reviewFor(1, blank), nullptr) << blank;
    const QuestionReviewItem* written = reviewFor(1, 10);
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(written->pageNumber, 2);
    EXPECT_EQ(written->suggestedText, u"Handwritten answer needs review"_s);
}

TEST_F(RenderedPages, QuestionsNoPageShowedGoToReviewWithTheirNote)
{
    // Survey 2 was scanned without its back: questions 8-14 are nowhere.
    for (qint64 n = 8; n <= 14; ++n) {
        const QuestionReviewItem* item = reviewFor(2, n);
        ASSERT_NE(item, nullptr) << n;
        EXPECT_EQ(item->reviewNote, u"Question not found on the page."_s) << n;
        EXPECT_TRUE(item->suggestedText.isEmpty());
    }
    // Survey 1 showed every question.
    for (const QuestionReviewItem& item : result->reviewItems) {
        if (item.surveyNumber == 1) {
            EXPECT_NE(item.reviewNote, u"Question not found on the page."_s) << item.questionNumber;
        }
    }
}

TEST_F(RenderedPages, IgnoredQuestionsAreNotRead)
{
    SurveyConfiguration configuration;
    configuration.templateFields = SurveyTemplateField::defaults(SurveyTemplate::krda2026);
    configuration.templateFields[0].detectionMode = SurveyDetectionMode::ignore; // "I am:"
    const ReadingSetup setup = makeReadingSetup(configuration, false);
    const QList<RegionReading> regions = readRegions(front, setup, TextRecognizer::forThisThread());
    ASSERT_FALSE(regions.isEmpty());
    for (const RegionReading& region : regions)
        EXPECT_NE(region.questionNumber, 1);
    EXPECT_EQ(regions.first().questionNumber, 2);
}

// Question `number` as read from the page with the built-in form, from
// `lines` when given as recognised.
RegionReading readingOf(const QImage& image, qint64 number,
                        const QList<RecognizedTextBlock>& lines = {})
{
    const ReadingSetup setup = makeReadingSetup(SurveyConfiguration(), false);
    TextRecognizer& recognizer = TextRecognizer::forThisThread();
    const QList<RegionReading> regions = lines.isEmpty()
                                             ? readRegions(image, setup, recognizer)
                                             : readRegions(image, lines, setup, recognizer);
    const auto found = std::find_if(regions.begin(), regions.end(), [&](const RegionReading& r) {
        return r.questionNumber == number;
    });
    if (found == regions.end()) {
        ADD_FAILURE() << "question " << number << " not read";
        return {};
    }
    return *found;
}

TEST(RenderedPage, ADoodleWellBelowAChoiceQuestionsLabelsRaisesNoDoubt)
{
    // Question 4 left blank, a doodle under its labels: just below them it
    // may be a mark gone astray; further down, before the next question,
    // it is nobody's answer.
    for (const int below : {-50, 60}) {
        RenderedSurveyPage page;
        page.question(4, u"Which school district do you attend? (Circle one)"_s);
        page.optionRow({"Alpine", "Jordan", "Nebo", "Provo", "Wasatch", "Charter", "Home/Private"},
                       {}, false);
        page.doodle(below);
        page.space(150);
        page.question(5, u"Is this the first time you've been to KRDA?"_s);
        page.optionRow({"Yes", "No"}, {Mark::fill, Mark::none}, true);
        const RegionReading q4 = readingOf(page.image(), 4);
        EXPECT_TRUE(q4.answer.isEmpty()) << below;
        EXPECT_EQ(q4.needsReview, below < 0) << below;
    }
}

TEST(RenderedPage, APencilSquiggleInTheMarginBesideAQuestionRaisesNoDoubt)
{
    // Left of the question's number and its labels' boxes, level with its
    // wording: nobody's answer.
    RenderedSurveyPage page;
    page.question(11, u"What skills do you think improved by doing a project?"_s);
    page.optionRow({"Problem solving", "Critical Thinking", "Research Ability"},
                   {Mark::none, Mark::tick, Mark::none}, true);
    page.optionRow({"Writing", "Learning", "Presenting", "Teamwork"}, {}, true);
    page.optionRow({"Communication", "Time Management", "None"}, {}, true);
    QImage image = page.image();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(110, 110, 110), 4, Qt::SolidLine, Qt::RoundCap));
    QPainterPath squiggle(QPointF(130, 200));
    squiggle.cubicTo(80, 230, 150, 250, 110, 285);
    squiggle.cubicTo(90, 295, 145, 300, 120, 240);
    painter.drawPath(squiggle);
    painter.end();
    const RegionReading q11 = readingOf(image, 11);
    EXPECT_EQ(q11.answer, u"Critical Thinking"_s);
    EXPECT_FALSE(q11.needsReview);
}

TEST(RenderedPage, APencilRingTooPaleToCountAsInkRaisesDoubt)
{
    for (const bool ringed : {false, true}) {
        RenderedSurveyPage page;
        page.question(1, u"I am:"_s);
        page.optionRow({"Male", "Female", "Prefer not to answer"},
                       {ringed ? Mark::paleRing : Mark::none}, true);
        page.space(150);
        page.question(2, u"My current Grade Level is (circle one):"_s);
        page.optionRow({"5th", "6th", "7th"}, {Mark::none, Mark::circle}, false);
        const RegionReading q1 = readingOf(page.image(), 1);
        EXPECT_TRUE(q1.answer.isEmpty()) << ringed;
        EXPECT_EQ(q1.needsReview, ringed);
    }
    // Beside an answer read plainly, round another label of a check-all
    // question; a dark ring's own pale fringe reaching the labels above and
    // below raises none.
    for (const bool ringed : {false, true}) {
        RenderedSurveyPage page;
        page.question(3, u"I decided to do a project this year because (check all that apply)"_s);
        page.optionColumn({"I wanted", "It was required", "Other"},
                          {ringed ? Mark::paleRing : Mark::none, Mark::circle});
        const RegionReading q3 = readingOf(page.image(), 3);
        EXPECT_EQ(q3.answer, u"It was required"_s) << ringed;
        EXPECT_EQ(q3.needsReview, ringed);
    }
}

// The recognised word of `lines` that reads `text`, as line and word index.
std::pair<qsizetype, qsizetype> wordAt(const QList<RecognizedTextBlock>& lines, const QString& text)
{
    for (qsizetype b = 0; b < lines.size(); ++b)
        for (qsizetype w = 0; w < lines[b].words.size(); ++w)
            if (lines[b].words[w].text == text)
                return {b, w};
    return {-1, -1};
}

TEST(RenderedPage, RecognitionsSlipsRoundALabelLeaveNoSilentAnswer)
{
    TextRecognizer& recognizer = TextRecognizer::forThisThread();
    {
        // A small tick just before a long bare label read as a "/" joined
        // to it, the label's word stretched to the same height.
        RenderedSurveyPage page;
        page.question(1, u"I am:"_s);
        page.optionRow({"Male", "Female", "Prefer not to answer"}, {}, false);
        QImage image = page.image();
        QList<RecognizedTextBlock> lines = pageText(image, recognizer);
        const auto [b, w] = wordAt(lines, u"Prefer"_s);
        ASSERT_GE(b, 0);
        TextWord& prefer = lines[b].words[w];
        const QRectF tick(prefer.box.left() - 32, prefer.box.top(), 26, prefer.box.height());
        QPainter painter(&image);
        painter.setPen(QPen(QColor(20, 20, 90), 4));
        painter.drawPolyline(
            QPolygonF({tick.topLeft() + QPointF(2, 14), tick.bottomLeft() + QPointF(9, -3),
                       tick.topRight() + QPointF(-2, 2)}));
        painter.end();
        prefer.box.setTop(tick.top() - 2);
        lines[b].words.insert(w, {u"/"_s, 0.6, tick.adjusted(-2, -2, 2, 2)});
        EXPECT_EQ(readingOf(image, 1, lines).answer, u"Prefer not to answer"_s);
    }
    {
        // A label's short first word read on a line of its own, the label
        // found without it: the word is print, not a mark.
        RenderedSurveyPage page;
        page.question(8, u"Are you interested in a future career related to STEM?"_s);
        page.optionColumn({"Yes, in Science", "No, I plan to pursue a career in"}, {});
        QList<RecognizedTextBlock> lines = pageText(page.image(), recognizer);
        const auto [b, w] = wordAt(lines, u"No,"_s);
        ASSERT_GE(b, 0);
        RecognizedTextBlock rest = lines[b];
        rest.words.erase(rest.words.begin(), rest.words.begin() + w + 1);
        lines[b].words.erase(lines[b].words.begin() + w + 1, lines[b].words.end());
        lines.insert(b + 1, rest);
        EXPECT_EQ(readingOf(page.image(), 8, lines).answer, QString());
    }
    for (const bool ringed : {false, true}) {
        // A label's word read far taller than print took in ink round it:
        // a ring drawn tight enough to pass for its letters' edges runs
        // along its top and bottom; a speck below it does not.
        RenderedSurveyPage page;
        page.question(4, u"Which school district do you attend? (Circle one)"_s);
        page.optionRow({"Alpine", "Jordan", "Nebo", "Provo", "Wasatch", "Charter", "Home/Private"},
                       {}, false);
        QImage image = page.image();
        QList<RecognizedTextBlock> lines = pageText(image, recognizer);
        const auto [b, w] = wordAt(lines, u"Alpine"_s);
        ASSERT_GE(b, 0);
        QRectF& word = lines[b].words[w].box;
        word.adjust(-10, -20, 10, 20);
        QPainter painter(&image);
        painter.setPen(QPen(QColor(40, 40, 40), 3));
        if (ringed) {
            painter.drawLine(
                QLineF(word.left() + 4, word.top() + 2, word.right() - 4, word.top() + 2));
            painter.drawLine(
                QLineF(word.left() + 4, word.bottom() - 2, word.right() - 4, word.bottom() - 2));
        } else {
            painter.drawPoint(word.center().x(), word.bottom() - 2);
        }
        painter.end();
        const RegionReading q4 = readingOf(image, 4, lines);
        EXPECT_TRUE(q4.answer.isEmpty());
        EXPECT_EQ(q4.needsReview, ringed);
    }
}

TEST(RenderedPage, AWrittenAnswerReadSurelyAsPrintIsHandwriting)
{
    // Recognition reads a short written word surely, as a capital, or a
    // word written plainly, far taller than print of its letters.
    for (const QString& written : {u"M"_s, u"ever"_s, u"ELL"_s}) {
        RenderedSurveyPage page;
        page.question(10, u"What is your favorite thing about science?"_s);
        page.scrawl(written);
        page.space(150);
        page.question(11, u"What skills do you think improved?"_s);
        page.optionRow({"Problem solving", "Critical Thinking"}, {Mark::tick, Mark::none}, true);
        const RegionReading q10 = readingOf(page.image(), 10);
        EXPECT_EQ(q10.answer, u"Handwritten answer needs review"_s) << written.toStdString();
        EXPECT_TRUE(q10.needsReview);
    }
}

TEST(RenderedPage, AShortWordWrittenSmallInSeparateLettersIsHandwriting)
{
    // Each letter lower and narrower than print; together a word's length.
    RenderedSurveyPage page;
    page.question(10, u"What is your favorite thing about science?"_s);
    page.space(150);
    page.question(11, u"What skills do you think improved?"_s);
    page.optionRow({"Problem solving", "Critical Thinking"}, {Mark::tick, Mark::none}, true);
    QImage image = page.image();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(20, 20, 60), 5, Qt::SolidLine, Qt::RoundCap));
    const QPointF at(260, 330);
    painter.drawPolyline(QPolygonF{at + QPointF(0, 15), at + QPointF(4, 0), at + QPointF(8, 12),
                                   at + QPointF(13, 0), at + QPointF(17, 15)});
    painter.drawEllipse(QRectF(at + QPointF(26, 4), QSizeF(11, 11)));
    painter.drawLine(at + QPointF(37, 4), at + QPointF(38, 16));
    painter.end();
    const RegionReading q10 = readingOf(image, 10);
    EXPECT_EQ(q10.answer, u"Handwritten answer needs review"_s);
    EXPECT_TRUE(q10.needsReview);
}

TEST(RenderedPage, ACrossBeforeABareLabelAtThePrintsLeftEdgeIsItsMark)
{
    // Nothing is printed left of the first label: its cross stands in the
    // margin, yet is no doodle there.
    const ReadingSetup setup = makeReadingSetup(SurveyConfiguration(), false);
    RenderedSurveyPage page;
    page.question(1, u"I am:"_s);
    page.optionRow({"Male", "Female", "Prefer not to answer"}, {Mark::none, Mark::crossBefore},
                   false);
    page.space(100);
    page.question(2, u"My current Grade Level is (circle one):"_s);
    page.optionRow({"5th", "6th", "7th", "8th", "9th", "10th", "11th", "12th"}, {Mark::crossBefore},
                   false);
    const QList<RegionReading> regions =
        readRegions(page.image(), setup, TextRecognizer::forThisThread());
    ASSERT_EQ(regions.size(), 2);
    EXPECT_EQ(regions[0].answer, u"Female"_s);
    EXPECT_EQ(regions[1].answer, u"5th"_s);
    EXPECT_FALSE(regions[1].needsReview);
}

TEST(LabelsReadAgain, AGarbledLabelIsReadWhereItIsPrintedWithTheCrossTakenOut)
{
    // Recognition made something else of a crossed label; its area read
    // again without the cross puts the label where it is printed, in the
    // page's pixels, in place of the garbled word.
    RenderedSurveyPage blank, marked;
    for (RenderedSurveyPage* page : {&blank, &marked}) {
        page->question(6, u"Are you interested in doing a project again next year?"_s);
        page->optionColumn(
            {"Yes", "No", "Maybe"},
            {Mark::none, Mark::none, page == &marked ? Mark::sprawlingCross : Mark::none});
    }
    TextRecognizer& recognizer = TextRecognizer::forThisThread();
    const auto wordsReading = [](const QList<RecognizedTextBlock>& lines, const QString& text) {
        QList<QRectF> boxes;
        for (const RecognizedTextBlock& line : lines)
            for (const TextWord& word : line.words)
                if (word.text == text)
                    boxes.append(word.box);
        return boxes;
    };
    const QList<QRectF> printed = wordsReading(pageText(blank.image(), recognizer), "Maybe");
    ASSERT_EQ(printed.size(), 1);
    const QRectF label = printed.first();
    const double h = label.height();

    QList<RecognizedTextBlock> lines = pageText(marked.image(), recognizer);
    lines.removeIf(
        [&](const RecognizedTextBlock& line) { return line.pixelBounds.intersects(label); });
    const QRectF garbled = label.adjusted(-2 * h, 0, 0, 0);
    lines.append({u"XMavbe"_s, 0.3, garbled, {{u"XMavbe"_s, 0.3, garbled}}});
    QList<QRectF> print;
    for (const RecognizedTextBlock& line : lines)
        for (const TextWord& word : line.words)
            print.append(word.box);
    PageInk ink(marked.image());
    ink.separate(print, print, h);

    const QList<RecognizedTextBlock> again =
        linesReadAgain(lines,
                       {{QRectF(0, label.top() - 4 * h, marked.image().width(), 6 * h),
                         {"Yes", "No", "Maybe"},
                         {"Maybe"}}},
                       recognitionGrey(marked.image()), ink, recognizer, h,
                       double(kRecognitionMaxSide) / marked.image().height());
    const QList<QRectF> found = wordsReading(again, "Maybe");
    ASSERT_EQ(found.size(), 1);
    EXPECT_LE(std::abs(found.first().center().x() - label.center().x()), 0.5 * h);
    EXPECT_LE(std::abs(found.first().center().y() - label.center().y()), 0.5 * h);
    EXPECT_TRUE(wordsReading(again, "XMavbe").isEmpty());
    // The other lines stay as recognition read them.
    EXPECT_EQ(wordsReading(again, "No"), wordsReading(lines, "No"));
}

TEST_F(RenderedPages, SingleChoiceWithTwoMarksKeepsOneAndAsksAPerson)
{
    const QString answer = answers(1).value(6);
    EXPECT_TRUE(answer == u"Help from a teacher"_s ||
                answer == u"Online research or online video"_s)
        << answer.toStdString();
    const QuestionReviewItem* item = reviewFor(1, 7);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->suggestedText, answer);
}

TEST_F(RenderedPages, PagesFedUpsideDownOrSidewaysAndAskewReadLikeTheLevelOne)
{
    EXPECT_EQ(answers(2).mid(0, 7), answers(1).mid(0, 7));
    EXPECT_EQ(answers(2).mid(7), QStringList(7, u"N/A"_s));
    EXPECT_EQ(answers(4).mid(0, 7), answers(1).mid(0, 7));
}

// The page view turns and levels the page as the item says and outlines the
// crop's rectangle: done so, the rectangle holds exactly the crop.
TEST_F(RenderedPages, ReviewItemsKeepThePageAsReadWithTheirCropOnIt)
{
    QSet<qint64> turned;
    QSet<qint64> levelled;
    for (const QuestionReviewItem& item : result->reviewItems) {
        const auto page = std::find_if(pages.begin(), pages.end(), [&](const ScanPage& p) {
            return p.pageNumber == item.pageNumber;
        });
        ASSERT_NE(page, pages.end());
        EXPECT_EQ(item.pageURL, page->fileURL);
        // Crops are written beside their pages.
        EXPECT_EQ(item.imageURL.toLocalFile(),
                  QDir(folder->path())
                      .filePath(u"review-crops/survey-%1-page-%2-q-%3.png"_s.arg(item.surveyNumber)
                                    .arg(item.pageNumber)
                                    .arg(item.questionNumber)));
        if (item.quarterTurns == 2)
            turned.insert(item.surveyNumber);
        if (std::abs(item.skewDegrees) > 2)
            levelled.insert(item.surveyNumber);
        if (item.cropRect.isEmpty())
            continue;
        const QImage read =
            straightenedImage(*rotatedImage(decodePageImage(item.pageURL).image, item.quarterTurns),
                              -item.skewDegrees);
        EXPECT_EQ(orientReviewSnippet(read.copy(item.cropRect.toRect()))
                      .convertToFormat(QImage::Format_RGB32),
                  QImage(item.imageURL.toLocalFile()).convertToFormat(QImage::Format_RGB32))
            << item.displayTitle().toStdString();
    }
    EXPECT_EQ(turned, QSet<qint64>{2}) << "the upside-down page";
    EXPECT_EQ(levelled, QSet<qint64>{4}) << "the page fed askew";
    EXPECT_FALSE(QFileInfo::exists(folder->filePath("tmp")));
    EXPECT_TRUE(result->problems.isEmpty()) << result->problems.join(' ').toStdString();
}

TEST_F(RenderedPages, UnreadableFilesAreSkippedAndReported)
{
    ASSERT_EQ(result->skippedPages.size(), 2);
    EXPECT_TRUE(result->skippedPages[0].fileURL.toLocalFile().endsWith("garbage.png"));
    EXPECT_EQ(result->skippedPages[0].reason, u"not an image"_s);
    EXPECT_TRUE(result->skippedPages[1].fileURL.toLocalFile().endsWith("missing.png"));
    EXPECT_EQ(result->skippedPages[1].reason, u"file not found"_s);
    // Survey 3 had no readable page, so it has no row.
    EXPECT_EQ(result->responses.size(), 3);
}

TEST_F(RenderedPages, CropsGoToTheNamedFolderOrNowhere)
{
    const QList<ScanPage> front{pages[1]};
    QTemporaryDir elsewhere;
    const SurveyExtractionResult named =
        extractPagesSync(front, SurveyConfiguration(), false, 1, {},
                         {CropPlacement::Kind::inFolder, elsewhere.filePath("review-crops")});
    ASSERT_FALSE(named.reviewItems.isEmpty());
    for (const QuestionReviewItem& item : named.reviewItems)
        EXPECT_TRUE(QFile::exists(item.imageURL.toLocalFile()) &&
                    item.imageURL.toLocalFile().startsWith(elsewhere.filePath("review-crops/")))
            << item.imageURL.toString().toStdString();

    const SurveyExtractionResult none = extractPagesSync(front, SurveyConfiguration(), false, 1, {},
                                                         {CropPlacement::Kind::nowhere, {}});
    ASSERT_EQ(none.reviewItems.size(), named.reviewItems.size());
    for (const QuestionReviewItem& item : none.reviewItems)
        EXPECT_TRUE(item.imageURL.isEmpty());
}

TEST_F(RenderedPages, CropsThatCannotBeWrittenAreReportedOnce)
{
    // A plain file where the crop folder should be.
    QTemporaryDir elsewhere;
    QFile blocker(elsewhere.filePath("review-crops"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const SurveyExtractionResult result =
        extractPagesSync({pages[1]}, SurveyConfiguration(), false, 1, {},
                         {CropPlacement::Kind::inFolder, blocker.fileName()});
    ASSERT_FALSE(result.reviewItems.isEmpty());
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems[0].contains(blocker.fileName()))
        << result.problems[0].toStdString();
}

// Crops keep every pixel of the page, whatever its format: grey and colour
// pages take the quick encoder, others Qt's.
TEST(ReviewCrops, HoldThePagesPixelsInEveryFormat)
{
    QImage colour(301, 207, QImage::Format_RGB32);
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x)
            colour.setPixel(x, y, qRgb((x * 7 + y) % 256, (y * 3) % 256, (x ^ y) % 256));
    QImage translucent = colour.convertToFormat(QImage::Format_ARGB32);
    translucent.setPixel(5, 5, qRgba(10, 20, 30, 40));
    const QRect cut(13, 21, 250, 150);
    for (const QImage& page : {colour, colour.convertToFormat(QImage::Format_Grayscale8),
                               colour.convertToFormat(QImage::Format_Mono), translucent}) {
        const QImage crop = QImage::fromData(snippetPng(page, QRectF(cut)), "PNG");
        ASSERT_FALSE(crop.isNull()) << page.format();
        EXPECT_EQ(crop.convertToFormat(QImage::Format_ARGB32),
                  page.copy(cut).convertToFormat(QImage::Format_ARGB32))
            << page.format();
    }
    // Much taller than wide: turned to read.
    const QRect tall(0, 0, 50, 200);
    EXPECT_EQ(QImage::fromData(snippetPng(colour, QRectF(tall)), "PNG")
                  .convertToFormat(QImage::Format_RGB32),
              *rotatedImage(colour.copy(tall), 1));
}

TEST(MissingRecognitionModel, IsReportedOnceForTheReading)
{
    QTemporaryDir empty;
    qputenv("TESSDATA_PREFIX", empty.path().toLocal8Bit());
    const QImage page = frontPage();
    page.save(empty.filePath("front.png"));
    const SurveyExtractionResult result =
        extractPagesSync({scanPage(1, SurveySide::front, 1, empty.filePath("front.png")),
                          scanPage(2, SurveySide::front, 2, empty.filePath("front.png"))},
                         SurveyConfiguration(), false, 2, {}, {CropPlacement::Kind::nowhere, {}});
    qunsetenv("TESSDATA_PREFIX");
    ASSERT_EQ(result.problems.size(), 1);
    EXPECT_TRUE(result.problems[0].contains(empty.filePath("eng.traineddata")))
        << result.problems[0].toStdString();
    EXPECT_EQ(result.responses.size(), 2); // the pages are still read by layout
}

TEST_F(RenderedPages, ProgressArrivesInOrderAndQuestionsTakeTheTemplateWording)
{
    EXPECT_TRUE(progressOnCallingThread);
    ASSERT_EQ(result->questions.size(), 14);
    EXPECT_EQ(result->questions[0], (SurveyQuestion{1, u"I am:"_s}));
    EXPECT_EQ(result->questions[13].number, 14);
    EXPECT_EQ(progressCalls,
              (QList<QPair<int, int>>{{1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}}));
}

TEST_F(RenderedPages, OneWorkerGivesExactlyTheSameResult)
{
    expectSameAsBatch(extractPagesSync(pages, SurveyConfiguration(), false, 1));
}
} // namespace

// Pages delivered one by one while a scan runs, here in reverse order so the
// workers finish out of page order, are still applied in page order.
TEST_F(RenderedPages, PagesDeliveredOutOfOrderGiveTheWholeBatchResult)
{
    VisionSurveyExtractionService reader(2);
    auto feed = std::make_shared<PageFeed>();
    QList<QPair<int, int>> progress;
    auto reading = reader.extract(feed, SurveyConfiguration(), false, [&](int read, int total) {
        progress.append({read, total});
    });
    for (qsizetype i = pages.size() - 1; i >= 0; --i)
        feed->deliver(pages[i].fileURL);
    while (progress.size() < 2)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    feed->close(pages);
    const SurveyExtractionResult streamed = testsupport::runTask(std::move(reading));

    ASSERT_EQ(progress.size(), pages.size());
    for (qsizetype i = 0; i < progress.size(); ++i)
        EXPECT_EQ(progress[i].first, i + 1);
    EXPECT_EQ(progress.last(), qMakePair(6, 6));
    expectSameAsBatch(streamed);
}
