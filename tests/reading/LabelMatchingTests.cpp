#include "TestSupport.h"
#include "reading/LabelSpots.h"
#include "reading/PromptAnchors.h"
#include "reading/TextMatching.h"

#include "model/BuiltInTemplate.h"
#include "model/SurveyConfiguration.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using testsupport::mapped;

namespace {
RecognizedTextBlock line(const QStringList& words, double left, double top, double wordWidth = 80,
                         double height = 30)
{
    RecognizedTextBlock block;
    block.text = words.join(QLatin1Char(' '));
    block.confidence = 0.95;
    double x = left;
    for (const QString& word : words) {
        block.words.append({word, 0.95, QRectF(x, top, wordWidth, height)});
        x += wordWidth + 15;
    }
    block.pixelBounds = QRectF(left, top, x - 15 - left, height);
    return block;
}
} // namespace

TEST(TextMatching, PrintConfusionsCostAQuarterOfAnEdit)
{
    struct Row
    {
        const char* a;
        const char* b;
        double least;
        double most;
    };
    const Row rows[] = {
        {"5th", "5th", 1.0, 1.0},      {"sth", "5th", 0.9, 0.95}, // s for 5
        {"6th", "5th", 0.6, 0.7},                                 // another number
        {"lam", "iam", 0.9, 0.95},     {"n0", "no", 0.87, 0.9},   // l for i, 0 for o
        {"alot", "alittle", 0.3, 0.6}, {"", "", 1.0, 1.0},        {"", "yes", 0.0, 0.0},
    };
    for (const Row& row : rows) {
        const double s = textSimilarity(QString::fromUtf8(row.a), QString::fromUtf8(row.b));
        EXPECT_GE(s, row.least) << row.a << " / " << row.b;
        EXPECT_LE(s, row.most) << row.a << " / " << row.b;
    }
    // Short labels must match all but a confusion; long ones may lose letters.
    EXPECT_GE(textSimilarity(u"sth"_s, u"5th"_s), labelMatchFloor(3));
    EXPECT_LT(textSimilarity(u"6th"_s, u"5th"_s), labelMatchFloor(3));
    EXPECT_EQ(foldedText(u"Yes, in Math"_s), u"yesinmath"_s);
}

TEST(PromptAnchors, LeadingNumbersAndWordingFindQuestionsInPageOrder)
{
    const struct
    {
        const char* line;
        qint64 number;
        const char* rest;
    } rows[] = {{"1. I am:", 1, "I am:"},
                {"2) My current", 2, "My current"},
                {"3: I decided", 3, "I decided"},
                {"4- Which school", 4, "Which school"},
                {"l. I am:", 1, "I am:"},
                {"1O. What is", 10, "What is"},
                {"I am:", 0, "I am:"},
                {"Is this the first", 0, "Is this the first"}};
    for (const auto& row : rows) {
        const LeadingNumber lead = leadingQuestionNumber(QString::fromUtf8(row.line));
        EXPECT_EQ(lead.number, row.number) << row.line;
        EXPECT_EQ(lead.rest, QString::fromUtf8(row.rest)) << row.line;
    }

    // Wording finds questions whose number was lost.
    const SurveyTemplateDefinition krda{SurveyConfiguration()};
    const QList<QuestionAnchor> lost = templateQuestionAnchors(
        {line({"lam:"}, 100, 100), // "1. I am:" lost its number
         line({"Male", "Female"}, 150, 150),
         line({"2.", "My", "current", "Grade", "Level", "is", "(circle", "one):"}, 100, 300),
         line({"Is", "this", "the", "first", "time", "you've", "been", "to", "KRDA?"}, 100, 500),
         // Options of question 5 repeat no wording.
         line({"Yes", "No"}, 150, 550)},
        krda, 14);
    EXPECT_EQ(mapped(lost, &QuestionAnchor::questionNumber), (QList<qint64>{1, 2, 5}));
    EXPECT_EQ(lost.value(2).bounds.top(), 500);
    // A line lower down that reads as question 1 cannot come after question 3.
    const QList<QuestionAnchor> late = templateQuestionAnchors(
        {line({"2.", "My", "current", "Grade", "Level", "is", "(circle", "one):"}, 100, 100),
         line({"3.", "I", "decided", "to", "do", "a", "project", "this", "year"}, 100, 300),
         line({"1.", "I", "am:"}, 100, 600)},
        krda, 14);
    EXPECT_EQ(mapped(late, &QuestionAnchor::questionNumber), (QList<qint64>{2, 3}));
}

TEST(LabelSpots, EachLabelTakesTheWordsThatReadMostLikeItThroughMarksAndLostLetters)
{
    // One case a line. A "/" twice as tall as the print after it is a tick;
    // a box glyph of the print's height stays with its label, its outline
    // being print.
    RecognizedTextBlock ticked = line({"Prefer", "not", "to", "answer"}, 160, 700);
    ticked.words.prepend({u"/"_s, 0.5, QRectF(100, 685, 40, 60)});
    RecognizedTextBlock boxed = line({"Online", "research"}, 160, 800);
    boxed.words.prepend({u"{_)}"_s, 0.5, QRectF(100, 798, 30, 34)});
    const QStringList labels{"Yes, in Science",
                             "Yes, in Technology",
                             "Yes, in Math",
                             "5th",
                             "It was required",
                             "Male",
                             "Alpine",
                             "Nebo",
                             "I wanted",
                             "Other",
                             "Prefer not to answer",
                             "Online research"};
    const QList<LabelSpot> spots = locateLabels(
        {line({"Yes,", "in", "Technology"}, 100, 100), line({"Yes,", "in", "Science"}, 100, 200),
         line({"Sth"}, 100, 300),                                 // a 5 read as S
         line({"/Itwasrequired"}, 100, 400, 300),                 // spaces lost, a tick before
         line({"vMale"}, 100, 500, 100),                          // a stray mark read into it
         line({"Alpine"}, 100, 600), line({"Neb"}, 400, 600, 60), // ringed
         // A tight ring can take a letter off each end.
         line({"wante"}, 700, 600, 100), line({"Other"}, 700, 660), ticked, boxed},
        labels);
    QStringList found = labels;
    found.removeOne(u"Yes, in Math"_s); // not printed here
    ASSERT_EQ(mapped(spots, &LabelSpot::label), found);
    const auto box = [&](const QString& label) { return spots[found.indexOf(label)].box; };
    EXPECT_EQ(box(u"Yes, in Science"_s).top(), 200);
    EXPECT_EQ(box(u"Yes, in Technology"_s).top(), 100);
    EXPECT_EQ(box(u"It was required"_s).top(), 400);
    EXPECT_GT(box(u"Male"_s).left(), 100); // the "v" is not part of the label's letters
    EXPECT_EQ(box(u"Male"_s).right(), 200);
    EXPECT_EQ(box(u"Nebo"_s).left(), 400);
    EXPECT_GT(box(u"Nebo"_s).width(), 60); // widened over the lost letter
    EXPECT_LT(box(u"I wanted"_s).left(), 700);
    EXPECT_GT(box(u"I wanted"_s).right(), 800);
    EXPECT_EQ(box(u"Prefer not to answer"_s).left(), 160);
    EXPECT_EQ(box(u"Online research"_s).left(), 100);
    // A sign of the print's height read from a pen stroke never starts a label.
    RecognizedTextBlock signed_ = line({"Help", "from", "a", "teacher"}, 160, 100);
    signed_.words.prepend({u"/"_s, 0.6, QRectF(120, 100, 30, 30)});
    const QStringList help{u"Help from a teacher"_s};
    EXPECT_EQ(locateLabels({signed_}, help).value(0).box.left(), 120);
    EXPECT_EQ(locateLabels({signed_}, help, {QRectF(120, 100, 30, 30)}).value(0).box.left(), 160);
    // Signs a pen draws, a tick's foot read as rules beside one included;
    // a box's or ring's sides and print's punctuation are none.
    for (const char* sign : {"/", "\\/", "<", "__/", "_/"})
        EXPECT_TRUE(readAsPenSign(QString::fromUtf8(sign))) << sign;
    for (const char* other : {"", "__", "[]", "{_)}", "-~", "(", "|", "I/", "\u2014_"})
        EXPECT_FALSE(readAsPenSign(QString::fromUtf8(other))) << other;
    // One printed line recognition split in three where its "I" stood apart
    // as a bar; a bar read alone before a label is no part of it.
    const QStringList career{u"No, I plan to pursue a career in"_s, u"Male"_s};
    const QList<LabelSpot> split =
        locateLabels({line({"No,"}, 150, 326, 55, 28), line({"|"}, 222, 326, 7, 24),
                      line({"plan", "to", "pursue", "a", "career", "in"}, 245, 326, 70, 31),
                      line({"|"}, 130, 500, 7, 30), line({"Male"}, 150, 500)},
                     career);
    ASSERT_EQ(split.size(), 2);
    EXPECT_EQ(split[0].box.left(), 150);
    EXPECT_GT(split[0].box.right(), 700);
    EXPECT_EQ(split[1].box.left(), 150);
    // A cross read unsurely with the capital after it is no part of the line.
    RecognizedTextBlock crossed = line({"<I"}, 104, 2050, 82, 57);
    crossed.confidence = 0.18;
    EXPECT_EQ(locateLabels({crossed, line({"didn't", "have", "any", "support"}, 207, 2067, 120)},
                           {u"I didn't have any support"_s})
                  .value(0)
                  .box.left(),
              207);
    // A word that is neither start nor end of the missing label, nor all of
    // it but a letter at each end, stays unused.
    for (const char* part : {"eb", "want"})
        EXPECT_EQ(locateLabels({line({part}, 100, 100)}, {u"Nebo"_s, u"I wanted"_s}).size(), 0)
            << part;
}

TEST(LabelSpots, ALabelOrItsFirstWordReadWiderThanItsLettersShedsTheMark)
{
    // A mark after "10th": its letters and a little room for a face printed
    // wider are kept. Wide capitals in a long label are no mark.
    LabelSpot marked{u"10th"_s, QRectF(100, 100, 160, 30), 1.0};
    EXPECT_TRUE(trimToLetters(marked, 22, 30));
    EXPECT_DOUBLE_EQ(marked.box.right(), 260);
    EXPECT_DOUBLE_EQ(marked.box.width(), 88 + 9);
    LabelSpot wide{u"Time Management"_s, QRectF(100, 100, 400, 30), 1.0};
    EXPECT_FALSE(trimToLetters(wide, 22, 30));
    EXPECT_DOUBLE_EQ(wide.box.width(), 400);
    // "Yes," read 136 pixels wide where its letters take about 90; a first
    // word of one letter is too short to measure by.
    LabelSpot ticked{u"Yes, in Engineering"_s, QRectF(1286, 290, 462, 51), 1.0,
                     QRectF(1286, 290, 136, 46)};
    EXPECT_TRUE(trimToLetters(ticked, 22.7, 36));
    EXPECT_NEAR(ticked.box.left(), 1422 - 22.7 * 3.95, 0.01);
    EXPECT_EQ(ticked.box.right(), 1748);
    LabelSpot shortWord{u"A little"_s, QRectF(100, 100, 200, 30), 1.0, QRectF(100, 100, 90, 30)};
    EXPECT_FALSE(trimToLetters(shortWord, 22.7, 36));
    // "Not at All" recognised as the one word "NotatAll": its first word is
    // the whole label, no wider than its letters.
    LabelSpot joined{u"Not at All"_s, QRectF(1376, 706, 196, 36), 1.0, QRectF(1376, 706, 196, 36)};
    EXPECT_FALSE(trimToLetters(joined, 22.7, 36));
    EXPECT_EQ(joined.box.left(), 1376);
    // A filled box printed close against "It", read as "Ot": a two-letter
    // word is cut only where the part before its letters draws a box.
    const LabelSpot it{u"It was required"_s, QRectF(502, 1502, 392, 45), 1.0,
                       QRectF(502, 1502, 81, 39)};
    LabelSpot unboxed = it;
    EXPECT_FALSE(trimToLetters(unboxed, 25, 40.5));
    EXPECT_FALSE(trimToLetters(unboxed, 25, 40.5, [](const QRectF&) { return false; }));
    EXPECT_EQ(unboxed.box, it.box);
    LabelSpot boxed = it;
    QRectF asked;
    EXPECT_TRUE(trimToLetters(boxed, 25, 40.5, [&](const QRectF& part) {
        asked = part;
        return true;
    }));
    EXPECT_LE(asked.left(), 509); // the box's ink, 509 to 535
    EXPECT_GE(asked.right(), 535);
    EXPECT_GT(boxed.box.left(), 509);
    EXPECT_LT(boxed.box.left(), 545); // the "I"
    EXPECT_EQ(boxed.box.right(), it.box.right());
    LabelSpot one{u"I had LOTS of support"_s, QRectF(502, 1502, 420, 45), 1.0,
                  QRectF(502, 1502, 60, 39)};
    EXPECT_FALSE(trimToLetters(one, 25, 40.5, [](const QRectF&) { return true; }));
    // A two-letter first word no wider than its letters ("No,") holds no
    // box, whatever square its capital draws.
    LabelSpot no{u"No, I plan to pursue a career in"_s, QRectF(150, 326, 557, 31), 1.0,
                 QRectF(150, 327, 55, 28)};
    EXPECT_FALSE(trimToLetters(no, 19.33, 25, [](const QRectF&) { return true; }));
}

TEST(LabelSpots, AMarkOnALostLabelIsPlacedByTheLabelsAroundIt)
{
    const QStringList grades{"5th", "6th", "7th", "8th", "9th"};
    const auto spot = [](const char* label, double left, double top) {
        return LabelSpot{QString::fromLatin1(label), QRectF(left, top, 60, 30), 1.0};
    };
    // One row: 7th lost under a ring between 6th and 8th, 9th lost past them.
    const QList<LabelSpot> row{spot("5th", 100, 100), spot("6th", 300, 100), spot("8th", 700, 100)};
    EXPECT_EQ(labelByPlace(row, grades, QPointF(530, 115), 30), u"7th"_s);
    // Off every row of labels, or with two lost labels in the gap: no guess.
    EXPECT_EQ(labelByPlace(row, grades, QPointF(530, 400), 30), std::nullopt);
    const QList<LabelSpot> gap{spot("5th", 100, 100), spot("8th", 700, 100)};
    EXPECT_EQ(labelByPlace(gap, grades, QPointF(400, 115), 30), std::nullopt);
    // One column: 7th lost between 6th and 8th down the page.
    const QList<LabelSpot> column{spot("5th", 100, 100), spot("6th", 100, 150),
                                  spot("8th", 100, 250), spot("9th", 100, 300)};
    EXPECT_EQ(labelByPlace(column, grades, QPointF(110, 215), 30), u"7th"_s);
    // A ring on the next row under the labels found: the one label printed
    // after them all; with two such labels, no guess.
    const QStringList sexes{"Male", "Female", "Prefer not to answer"};
    const QList<LabelSpot> first{spot("Male", 100, 100), spot("Female", 600, 100)};
    EXPECT_EQ(labelByPlace(first, sexes, QPointF(250, 170), 30), u"Prefer not to answer"_s);
    EXPECT_EQ(labelByPlace(first, sexes, QPointF(250, 300), 30), std::nullopt);
    EXPECT_EQ(
        labelByPlace({spot("5th", 100, 100), spot("6th", 300, 100)}, grades, QPointF(250, 170), 30),
        std::nullopt);
}

TEST(LabelSpots, AMarkReadIntoALabelsWordIsSetApartFromItsLettersAndTheLinesPrint)
{
    const QStringList printed{
        "5th", "6th", "10th", "11th", "I wanted", "No, I plan", "It was required", "Home/Private"};
    // A mark just after a label, or between two labels read as one word, and
    // a tick read as "V/" between "11th" and "12th" are set apart, as is a
    // pen's sign between two labels' words. Two words of one label, a bar
    // that is a capital I, print's own punctuation (between two labels'
    // words too), a word no label has, a label printed with a slash, a
    // one-letter pair and a slash with no letter after it stay whole.
    const QStringList read{"Thank",  "10th/",      ".11th<", "5th.6th",        "10th*11th",
                           "5th6th", "11thV/12th", "Yes|No", "required\\/No,", "wanted.No",
                           "Itwas",  "|wanted",    "No,",    "grade/",         "Home/Private",
                           "a/b",    "and/-or",    "answer"};
    EXPECT_EQ(
        mapped(wordsSplitAtMarks({line(read, 100, 100, 50)}, printed)[0].words, &TextWord::text),
        (QStringList{"Thank",  "10th",         "/",         ".11th",   "<",       "5th",
                     ".",      "6th",          "10th",      "*",       "11th",    "5th",
                     "6th",    "11thV",        "12th",      "Yes",     "No",      "required",
                     "\\/",    "No,",          "wanted.No", "Itwas",   "|wanted", "No,",
                     "grade/", "Home/Private", "a/b",       "and/-or", "answer"}));

    // The letters take no more room than print of their length (the words
    // around give 10 pixels a character); the mark takes the rest. A label
    // at the word's end keeps that end.
    RecognizedTextBlock wide = line({u"Thank"_s, u"10th/11th"_s, u"answer"_s}, 100, 100, 50);
    const QRectF word(165, 100, 120, 30);
    wide.words[1].box = word;
    const QList<TextWord> parts = wordsSplitAtMarks({wide}, printed)[0].words;
    ASSERT_EQ(parts.size(), 5);
    EXPECT_DOUBLE_EQ(parts[1].box.width(), 40);
    EXPECT_DOUBLE_EQ(parts[1].box.left(), word.left());
    EXPECT_LT(parts[1].box.right(), word.center().x());
    EXPECT_DOUBLE_EQ(parts[2].box.left(), parts[1].box.right());
    EXPECT_DOUBLE_EQ(parts[2].box.right(), parts[3].box.left());
    EXPECT_DOUBLE_EQ(parts[3].box.right(), word.right());

    // Split where no label reads, each part keeps its characters' share of
    // the word's box, and the labels are found in their parts.
    const QList<RecognizedTextBlock> joined =
        wordsSplitAtMarks({line({u"11thV/12th"_s}, 100, 100, 100)}, printed);
    ASSERT_EQ(joined[0].words.size(), 2);
    EXPECT_DOUBLE_EQ(joined[0].words[0].box.right(), 150);
    EXPECT_DOUBLE_EQ(joined[0].words[1].box.left(), 160);
    EXPECT_DOUBLE_EQ(joined[0].words[1].box.right(), 200);
    const QList<LabelSpot> spots = locateLabels(joined, {u"11th"_s, u"12th"_s});
    ASSERT_EQ(spots.size(), 2);
    EXPECT_LT(spots[0].box.right(), 155);
    EXPECT_GE(spots[1].box.left(), 160);

    // A tick reaching well above the line stretched the word it joined, or
    // the label before it; a ring round a label widens it as well.
    RecognizedTextBlock tall =
        line({u"9th"_s, u"10th"_s, u"11th/12th"_s, u"Charter"_s, u"Nebo"_s, u"answer"_s}, 100, 100,
             60, 25);
    tall.words[2].box.setTop(60);
    tall.words[3].box.setTop(60);
    tall.words[4].box.adjust(-20, -20, 20, 20);
    const QList<RecognizedTextBlock> stretched =
        wordsSplitAtMarks({tall}, {u"11th"_s, u"12th"_s, u"Charter"_s, u"Nebo"_s});
    ASSERT_EQ(stretched[0].words.size(), 8);
    for (const qsizetype label : {2, 4, 5}) {
        // The line's print, room for descenders kept.
        EXPECT_DOUBLE_EQ(stretched[0].words[label].box.top(), 100 - 2.5) << label;
        EXPECT_DOUBLE_EQ(stretched[0].words[label].box.bottom(), 125 + 8.75) << label;
    }
    EXPECT_DOUBLE_EQ(stretched[0].words[3].box.top(), 60);
    EXPECT_DOUBLE_EQ(stretched[0].words[6].box.top(), 80);
}
