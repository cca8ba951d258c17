#include "reading/MarkEvidence.h"
#include "reading/PageInk.h"

#include <array>
#include <cmath>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Print, rings, boxes and pencil drawn on white paper, sorted into print and
// pen as the reader sorts a scanned page.
namespace {
constexpr double kPrint = 30; // print height in pixels

struct Sheet
{
    QImage image{1200, 700, QImage::Format_Grayscale8};
    QPainter painter;
    QFont font{u"DejaVu Sans"_s};
    QList<QRectF> words;

    Sheet()
    {
        image.fill(255);
        painter.begin(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        font.setPixelSize(int(kPrint));
        painter.setFont(font);
    }

    // Prints the text with its baseline at `at` and returns the letters' box,
    // as recognition would report it.
    QRectF print(const QString& text, QPointF at)
    {
        painter.setPen(Qt::black);
        painter.drawText(at, text);
        const QRectF box = QFontMetricsF(font).tightBoundingRect(text).translated(at);
        words.append(box);
        return box;
    }

    void ring(const QRectF& around, double radius, int grey = 20)
    {
        painter.setPen(QPen(QColor(grey, grey, grey), 4));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(around, radius, radius);
    }

    void line(QPointF from, QPointF to, int grey, double width)
    {
        painter.setPen(QPen(QColor(grey, grey, grey), width));
        painter.drawLine(from, to);
    }

    // "Other" and its rule to write on, two pixels below the baseline `y`,
    // with a stroke written on the rule when asked.
    QRectF writeIn(double y, bool written)
    {
        const QRectF other = print(u"Other"_s, {200, y});
        line({other.right() + 20, y + 2}, {other.right() + 420, y + 2}, 0, 2);
        if (written)
            line({other.right() + 60, y + 1}, {other.right() + 90, y - 30}, 30, 3);
        return other;
    }

    const PageInk& separated()
    {
        painter.end();
        ink = std::make_unique<PageInk>(image);
        ink->separate(words, words, kPrint);
        return *ink;
    }

    std::unique_ptr<PageInk> ink;
};

int penIn(const PageInk& ink, const QRectF& rect)
{
    return ink.penPixelsIn(rect.toAlignedRect());
}

// Whether the write-in rule drawn at `y` was found as a rule.
bool hasWriteInRule(const PageInk& ink, int y)
{
    return std::any_of(ink.rules().begin(), ink.rules().end(), [&](const QRect& rule) {
        return rule.width() >= 350 && std::abs(rule.center().y() - y) <= 3;
    });
}

// The pen ink credited to the labels of the one region `area`.
RegionInk creditedIn(const PageInk& ink, const QList<LabelSpot>& spots,
                     const QRectF& area = QRectF(0, 0, 1200, 700))
{
    const QList<RegionInk> regions = creditPenInk(ink, {spots}, {area}, kPrint);
    EXPECT_EQ(regions.size(), 1);
    return regions.value(0);
}

// Pen strokes, each a line through its points.
QPainterPath strokes(std::initializer_list<std::initializer_list<QPointF>> lines)
{
    QPainterPath path;
    for (const std::initializer_list<QPointF>& line : lines) {
        path.moveTo(*line.begin());
        for (auto point = line.begin() + 1; point != line.end(); ++point)
            path.lineTo(*point);
    }
    return path;
}

// Two labels printed at their baselines, check boxes (if any) and a pen
// path drawn: the one region's ink as credited. Recognition can stretch the
// first label's word down to `firstReachesDown` or right to
// `firstReachesRight`.
RegionInk boxedInk(const std::array<std::pair<QString, QPointF>, 2>& labels,
                   const QList<QRectF>& boxes, const QPainterPath& pen, double firstReachesDown = 0,
                   double firstReachesRight = 0)
{
    Sheet sheet;
    QList<LabelSpot> spots;
    for (const auto& [text, at] : labels)
        spots.append({text, sheet.print(text, at), 1.0});
    if (firstReachesDown > 0) {
        spots.first().box.setBottom(firstReachesDown);
        sheet.words.first().setBottom(firstReachesDown);
    }
    if (firstReachesRight > 0) {
        spots.first().box.setRight(firstReachesRight);
        sheet.words.first().setRight(firstReachesRight);
    }
    sheet.painter.setPen(QPen(Qt::black, 3));
    for (const QRectF& box : boxes)
        sheet.painter.drawRect(box);
    sheet.painter.setPen(QPen(QColor(20, 20, 120), 3));
    sheet.painter.drawPath(pen);
    return creditedIn(sheet.separated(), spots, QRectF(0, 0, 600, 400));
}
} // namespace

TEST(PageInkRings, RingsStayPenWhereTheyLookLikeBoxesOrRules)
{
    Sheet sheet;
    // A ring tight round a short label, as square as a check box.
    const QRectF seventh = sheet.print(u"7th"_s, {200, 150});
    const QRectF square = seventh.adjusted(-7, -13, 7, 13);
    sheet.ring(square, 12);
    // A long flat ring whose top and bottom run straight for several letters.
    const QRectF required = sheet.print(u"It was required"_s, {200, 350});
    const QRectF oval = required.adjusted(-14, -10, 14, 10);
    sheet.ring(oval, oval.height() / 2);
    // A ring with small round corners, taller than a line, round a long
    // label: an open answer box's shape, but hugging its words.
    const QRectF prefer = sheet.print(u"Prefer not to answer"_s, {600, 150});
    const QRectF flat = prefer.adjusted(-12, -14, 12, 14);
    QPainterPath wavering; // drawn by hand: no stretch runs straight
    wavering.moveTo(flat.left() + 8, flat.top());
    for (double x = flat.left() + 8; x <= flat.right() - 8; x += 4)
        wavering.lineTo(x, flat.top() + 2.5 * std::sin(x / 9));
    wavering.arcTo(QRectF(flat.right() - 16, flat.top(), 16, 16), 90, -90);
    wavering.lineTo(flat.right(), flat.bottom() - 8);
    wavering.arcTo(QRectF(flat.right() - 16, flat.bottom() - 16, 16, 16), 0, -90);
    for (double x = flat.right() - 8; x >= flat.left() + 8; x -= 4)
        wavering.lineTo(x, flat.bottom() + 2.5 * std::sin(x / 9));
    wavering.arcTo(QRectF(flat.left(), flat.bottom() - 16, 16, 16), 270, -90);
    wavering.lineTo(flat.left(), flat.top() + 8);
    wavering.arcTo(QRectF(flat.left(), flat.top(), 16, 16), 180, -90);
    sheet.painter.setPen(QPen(QColor(20, 20, 20), 4));
    sheet.painter.drawPath(wavering);
    // An open answer box with a word printed inside stays print and rule.
    sheet.print(u"Notes"_s, {620, 300});
    sheet.line({600, 260}, {1100, 260}, 0, 2);
    sheet.line({600, 400}, {1100, 400}, 0, 2);
    sheet.line({600, 260}, {600, 400}, 0, 2);
    sheet.line({1100, 260}, {1100, 400}, 0, 2);
    // A printed write-in rule with a word written on it stays a rule.
    sheet.writeIn(550, true);
    const PageInk& ink = sheet.separated();

    EXPECT_GT(penIn(ink, QRectF(flat.left() - 4, flat.center().y() - 10, 8, 20)), 40);
    EXPECT_EQ(penIn(ink, QRectF(700, 256, 300, 8)), 0);

    EXPECT_TRUE(ink.boxes().isEmpty());
    EXPECT_GE(penIn(ink, square.adjusted(-3, -3, 3, 3)), kPrint * kPrint / 2);
    const QRectF topOfOval(oval.center().x() - 40, oval.top() - 4, 80, 8);
    EXPECT_GT(penIn(ink, topOfOval), 100);
    for (const QRect& rule : ink.rules())
        EXPECT_FALSE(QRectF(rule).intersects(oval)) << "ring stretch taken for a rule";
    EXPECT_TRUE(hasWriteInRule(ink, 552));
    // The print inside the rings is not pen.
    EXPECT_EQ(penIn(ink, required.adjusted(4, 4, -4, -4)), 0);
}

TEST(PageInkBoxes, PalePencilCountsOnlyInsideACheckBox)
{
    Sheet sheet;
    const QRectF filled(100, 100, 40, 40), empty(300, 100, 40, 40);
    for (const QRectF& box : {filled, empty}) {
        sheet.painter.setPen(QPen(Qt::black, 3));
        sheet.painter.drawRect(box);
    }
    // Pencil paler than the ink threshold, scribbled inside one box and on
    // bare paper.
    for (int k = 0; k < 4; ++k) {
        sheet.line({110.0, 110.0 + 6 * k}, {130.0, 116.0 + 6 * k}, 205, 3);
        sheet.line({510.0, 110.0 + 6 * k}, {530.0, 116.0 + 6 * k}, 205, 3);
    }
    const PageInk& ink = sheet.separated();

    EXPECT_EQ(ink.boxes().size(), 2);
    EXPECT_GE(penIn(ink, filled.adjusted(6, 6, -6, -6)), 60);
    EXPECT_EQ(penIn(ink, empty.adjusted(-4, -4, 4, 4)), 0);
    EXPECT_EQ(penIn(ink, QRectF(500, 100, 40, 40)), 0);
}

TEST(MarkEvidenceBoxes, ATicksTailCutOffByItsBoxStaysWithItsBox)
{
    // Rows set close: the box of "None" stands under "Presenting", and the
    // tick's tail, cut off where it crossed the box's corner, points at the
    // label above.
    const QPainterPath tick =
        strokes({{{206, 166}, {214, 180}, {228, 159}}, {{241, 143}, {244, 138}}});
    const RegionInk region = boxedInk({{{u"Presenting"_s, {150, 130}}, {u"None"_s, {250, 180}}}},
                                      {QRectF(200, 150, 36, 36)}, tick);
    const MarkReading read = readMarks(region, false);
    EXPECT_EQ(region.options.value(0).strength, 0);
    EXPECT_FALSE(read.doubtful);
    ASSERT_EQ(read.marks.size(), 1);
    EXPECT_EQ(read.marks.first().label, u"None"_s);
}

TEST(MarkEvidenceBoxes, ATicksLongTailTowardTheBoxAboveStaysWithItsTick)
{
    // Boxes one above the other; the tick in the lower box runs on past its
    // corner toward the label above, cut off where it crossed the box.
    // The tail can be as heavy as the tick's body.
    for (const auto& [upperTicked, tailTop] : {std::pair{false, 110}, {true, 110}, {false, 96}}) {
        // Past the corner, where taking the box out left a gap, up to the
        // line above: the tick still stands where its body is.
        QPainterPath tick =
            strokes({{{204, 176}, {216, 198}, {240, 164}}, {{250, 150}, {253, double(tailTop)}}});
        if (upperTicked)
            tick.addPath(strokes({{{204, 116}, {214, 132}, {236, 102}}}));
        const MarkReading read =
            readMarks(boxedInk({{{u"Yes, in Math"_s, {262, 130}}, {u"No, I plan"_s, {262, 198}}}},
                               {QRectF(200, 96, 44, 44), QRectF(200, 160, 44, 44)}, tick),
                      true);
        // With both boxes ticked, the tail is neither's to take.
        EXPECT_EQ(read.conflicting, upperTicked) << upperTicked;
        if (!upperTicked) {
            EXPECT_FALSE(read.doubtful);
            ASSERT_EQ(read.marks.size(), 1);
            EXPECT_EQ(read.marks.first().label, u"No, I plan"_s);
        }
    }
}

TEST(MarkEvidenceBoxes, AMarkCountsForTheLabelBesideTheBoxHoldingIt)
{
    // A cross in the lower box whose arm reaches the label above, which
    // recognition stretched down to it; and two ticks, one per box, whose
    // strokes touch.
    const std::array<std::pair<QString, QPointF>, 2> labels{
        {{u"Male"_s, {262, 130}}, {u"Prefer not"_s, {262, 198}}}};
    const QList<QRectF> boxes{QRectF(200, 96, 44, 44), QRectF(200, 160, 44, 44)};
    const QPainterPath cross = strokes({{{196, 156}, {250, 210}}, {{196, 210}, {256, 144}}});
    const MarkReading crossed = readMarks(boxedInk(labels, boxes, cross, 172), true);
    ASSERT_EQ(crossed.marks.size(), 1);
    EXPECT_EQ(crossed.marks.first().label, u"Prefer not"_s);

    const QPainterPath ticks =
        strokes({{{204, 116}, {214, 132}, {236, 100}}, {{204, 180}, {216, 198}, {230, 120}}});
    const MarkReading ticked = readMarks(boxedInk(labels, boxes, ticks), false);
    ASSERT_EQ(ticked.marks.size(), 2);
    EXPECT_FALSE(ticked.doubtful);
}

TEST(MarkEvidenceBareLabels, MarksBeforeLabelsAnswerTheLabelTheyStandBefore)
{
    // A tick squeezed between two labels on one line, over the end of the
    // word before it, which recognition stretched to take it in.
    const QPainterPath tick = strokes({{{266, 116}, {274, 130}, {290, 100}}});
    const MarkReading squeezed = readMarks(
        boxedInk({{{u"10th"_s, {200, 130}}, {u"11th"_s, {296, 130}}}}, {}, tick, 0, 280), true);
    ASSERT_EQ(squeezed.marks.size(), 1);
    EXPECT_EQ(squeezed.marks.first().label, u"11th"_s);

    // Two crosses in a column before labels one above the other, touching.
    QPainterPath crosses;
    for (const double top : {100.0, 136.0}) {
        crosses.moveTo(214, top);
        crosses.lineTo(250, top + 38);
        crosses.moveTo(250, top);
        crosses.lineTo(214, top + 38);
    }
    const MarkReading column = readMarks(
        boxedInk({{{u"I wanted"_s, {262, 130}}, {u"Other"_s, {262, 168}}}}, {}, crosses), false);
    ASSERT_EQ(column.marks.size(), 2);
    EXPECT_FALSE(column.doubtful);

    // A tall tick before the lower label, its tail reaching the row above,
    // is one mark, not one per row.
    const QPainterPath tall = strokes({{{214, 150}, {226, 172}, {252, 100}}});
    const MarkReading ticked = readMarks(
        boxedInk({{{u"Alpine"_s, {262, 130}}, {u"Wasatch"_s, {262, 170}}}}, {}, tall), false);
    EXPECT_EQ(ticked.marks.size(), 1);

    // A tick before the lower label whose tail runs up over the label
    // above: the lower label's, or the upper one's only in doubt.
    const RegionInk over = boxedInk({{{u"6th"_s, {262, 130}}, {u"10th"_s, {262, 190}}}}, {},
                                    strokes({{{214, 168}, {228, 192}, {300, 108}}}));
    const MarkReading overRead = readMarks(over, true);
    ASSERT_EQ(overRead.marks.size(), 1);
    if (overRead.marks.first().label != u"10th"_s) {
        EXPECT_GE(over.unclaimed, kNoMarkStrength);
    }

    // A stroke after two labels' ends, between their rows, as near one as
    // the other, answers neither surely.
    const RegionInk between = boxedInk({{{u"6th"_s, {262, 130}}, {u"10th"_s, {262, 190}}}}, {},
                                       strokes({{{305, 140}, {325, 158}}}));
    EXPECT_GE(between.unclaimed, kNoMarkStrength);

    // Half of a ring broken at its flat top, reaching over both labels'
    // starts, stands before neither.
    QPainterPath half;
    half.moveTo(252, 92);
    half.quadTo(350, 135, 252, 178);
    const MarkReading broken = readMarks(
        boxedInk({{{u"I wanted"_s, {262, 130}}, {u"Other"_s, {262, 168}}}}, {}, half), false);
    EXPECT_LE(broken.marks.size(), 1);
}

TEST(PageInkBoxes, BoxesJoinedByATicksTailAreEachFound)
{
    // The tick's tail runs up the lower box's side and on to the corner of
    // the box above, joining the two boxes' outlines; rows set close or
    // further apart.
    for (const double gap : {10.0, 18.0}) {
        Sheet sheet;
        sheet.painter.setPen(QPen(Qt::black, 3));
        const QRectF upper(100, 100, 36, 36), lower(100, 136 + gap, 36, 36);
        sheet.painter.drawRect(upper);
        sheet.painter.drawRect(lower);
        const QPainterPath tick = strokes({{{106, lower.top() + 14},
                                            {116, lower.top() + 30},
                                            {134, lower.top() + 6},
                                            {136, 128}}});
        sheet.painter.setPen(QPen(QColor(20, 20, 120), 4));
        sheet.painter.drawPath(tick);
        const PageInk& ink = sheet.separated();
        ASSERT_EQ(ink.boxes().size(), 2) << gap;
        EXPECT_GT(penIn(ink, lower.adjusted(4, 4, -4, -4)), 40) << gap;
    }
}

TEST(MarkEvidenceRings, RingClosedRoundOneLabelIsItsOwnWhereItTouchesAnother)
{
    Sheet sheet;
    const QRectF research = sheet.print(u"Research Ability"_s, {200, 200});
    const QRectF writing = sheet.print(u"Writing"_s, {200, 250});
    // The lower label's ring, and the left end of a ring round the upper
    // one that runs into it.
    const QRectF lower = writing.adjusted(-12, -12, 12, 10);
    sheet.ring(lower, lower.height() / 2);
    QPainterPath leftEnd;
    const QRectF upper = research.adjusted(-12, -30, 12, 10);
    leftEnd.moveTo(upper.left() + 120, upper.top());
    leftEnd.lineTo(upper.left() + 20, upper.top());
    leftEnd.quadTo(upper.left(), upper.center().y(), upper.left() + 10, lower.top() + 2);
    sheet.painter.setPen(QPen(QColor(20, 20, 20), 4));
    sheet.painter.drawPath(leftEnd);
    const PageInk& ink = sheet.separated();

    const RegionInk region =
        creditedIn(ink, {{u"Research Ability"_s, research, 1.0}, {u"Writing"_s, writing, 1.0}});
    ASSERT_EQ(region.options.size(), 2);
    EXPECT_GE(region.options[1].strength, kSureMarkStrength);
    const MarkReading read = readMarks(region, false);
    ASSERT_FALSE(read.marks.isEmpty());
    EXPECT_EQ(read.marks.last().label, u"Writing"_s);
}

TEST(MarkEvidenceRings, ARingTouchingTheNextLineTakesNoneOfItsLabel)
{
    // "Yes" ringed, its ring's bottom running into the "No" on the next
    // line; and two rings one above the other that meet, both answers.
    Sheet sheet;
    const QRectF yes = sheet.print(u"Yes"_s, {200, 200});
    const QRectF no = sheet.print(u"No"_s, {200, 245});
    sheet.ring(
        QRectF(yes.left() - 30, yes.top() - 40, yes.width() + 60, no.top() + 3 - (yes.top() - 40)),
        40);
    const QRectF wanted = sheet.print(u"I wanted"_s, {600, 200});
    const QRectF required = sheet.print(u"It was required"_s, {600, 250});
    sheet.ring(wanted.adjusted(-12, -10, 12, 10), 18);
    sheet.ring(QRectF(required.left() - 20, wanted.bottom() + 10, required.width() + 40,
                      required.bottom() + 10 - (wanted.bottom() + 10)),
               18);
    const PageInk& ink = sheet.separated();

    const QList<RegionInk> regions =
        creditPenInk(ink,
                     {{{u"Yes"_s, yes, 1.0}, {u"No"_s, no, 1.0}},
                      {{u"I wanted"_s, wanted, 1.0}, {u"It was required"_s, required, 1.0}}},
                     {QRectF(0, 0, 500, 700), QRectF(500, 0, 700, 700)}, kPrint);
    ASSERT_EQ(regions.size(), 2);
    const MarkReading single = readMarks(regions[0], true);
    EXPECT_FALSE(single.conflicting || single.doubtful);
    ASSERT_EQ(single.marks.size(), 1);
    EXPECT_EQ(single.marks.first().label, u"Yes"_s);
    EXPECT_EQ(readMarks(regions[1], false).marks.size(), 2);
}

TEST(PageInkStrokes, PalePencilWritingCountsButPrintFringesAndShadowsDoNot)
{
    Sheet sheet;
    const QRectF prompt = sheet.print(u"Any suggestions for us?"_s, {100, 100});
    // A frame to write in, a few pale pencil words in it, and the lamp's
    // falloff darkening the page's bottom edge.
    sheet.painter.setPen(QPen(Qt::black, 2));
    sheet.painter.drawRect(QRectF(100, 130, 900, 200));
    QPainterPath writing;
    writing.moveTo(130, 200);
    for (int k = 0; k < 12; ++k)
        writing.quadTo(140 + 20 * k, k % 2 ? 170 : 215, 150 + 20 * k, 200);
    sheet.painter.setPen(QPen(QColor(205, 205, 205), 3));
    sheet.painter.drawPath(writing);
    sheet.painter.fillRect(QRectF(600, 680, 600, 20), QColor(200, 200, 200));
    const PageInk& ink = sheet.separated();

    const PageInk::Strokes inFrame = ink.paleStrokesIn(QRect(100, 130, 900, 200), kPrint);
    EXPECT_GE(inFrame.pixels, 0.3 * kPrint * kPrint);
    EXPECT_GE(inFrame.longest, 200);
    EXPECT_TRUE(QRect(120, 160, 300, 70).contains(inFrame.bounds));
    const PageInk::Strokes blank = ink.paleStrokesIn(QRect(0, 340, 1200, 360), kPrint);
    EXPECT_EQ(blank.pixels, 0);
    EXPECT_EQ(ink.paleStrokesIn(prompt.toAlignedRect().adjusted(-4, -4, 4, 4), kPrint).pixels, 0);
}

TEST(MarkEvidenceDust, SolidSpecksAmongLabelsRaiseNoDoubtButStrokeEndsDo)
{
    for (const bool stroke : {false, true}) {
        Sheet sheet;
        const QRectF yes = sheet.print(u"Yes"_s, {200, 200});
        const QRectF no = sheet.print(u"No"_s, {500, 200});
        if (stroke)
            sheet.line({380, 280}, {388, 272}, 20, 3);
        else
            sheet.painter.fillRect(QRectF(380, 272, 8, 8), Qt::black);
        const PageInk& ink = sheet.separated();
        const RegionInk region =
            creditedIn(ink, {{u"Yes"_s, yes, 1.0}, {u"No"_s, no, 1.0}}, QRectF(100, 150, 700, 200));
        if (stroke)
            EXPECT_GE(region.unclaimed, kNoMarkStrength / 2);
        else
            EXPECT_EQ(region.unclaimed, 0);
        for (const OptionInk& option : region.options)
            EXPECT_EQ(option.strength, 0) << option.spot.label.toStdString();
    }
}

TEST(MarkEvidenceDoubt, AFaintTraceBesideTheOneClearAnswerIsSpillOnlyOnSingleChoice)
{
    struct Case
    {
        double marked, trace;
        bool single, doubtful;
    };
    // A ring's weight with its tail's spill on the next label; a tick with
    // a trace too heavy to be its spill; the same faint trace where several
    // answers may stand.
    for (const Case& c : {Case{2.0, 0.06, true, false}, Case{0.3, 0.07, true, true},
                          Case{2.0, 0.06, false, true}}) {
        RegionInk region;
        region.options = {{{u"Yes"_s, QRectF(0, 0, 60, 30)}, c.marked, {}},
                          {{u"No"_s, QRectF(0, 40, 60, 30)}, c.trace, {}}};
        const MarkReading read = readMarks(region, c.single);
        ASSERT_EQ(read.marks.size(), 1);
        EXPECT_EQ(read.marks.first().label, u"Yes"_s);
        EXPECT_EQ(read.doubtful, c.doubtful) << c.marked << " " << c.trace << " " << c.single;
    }
}

TEST(MarkEvidenceDoubt, OfTwoMarksAlikeSureTheHeavierLeads)
{
    // A letter's fragment taken for a mark before the ring round the answer.
    RegionInk region;
    region.options = {{{u"Online"_s, QRectF(0, 0, 60, 30)}, 0.75, {}},
                      {{u"Personal"_s, QRectF(0, 40, 60, 30)}, 7.9, {}}};
    const MarkReading read = readMarks(region, true);
    EXPECT_TRUE(read.conflicting);
    ASSERT_EQ(read.marks.size(), 2);
    EXPECT_EQ(read.marks.first().label, u"Personal"_s);
}

TEST(MarkEvidenceNoise, ASliverOfALinesEdgeIsNoMarkButAShortStrokeIs)
{
    for (const int thickness : {2, 5}) {
        Sheet sheet;
        const QRectF yes = sheet.print(u"Yes"_s, {200, 200});
        sheet.painter.fillRect(QRect(600, 300, 40, thickness), QColor(40, 40, 40));
        const PageInk& ink = sheet.separated();
        const RegionInk region =
            creditedIn(ink, {{u"Yes"_s, yes, 1.0}}, QRectF(100, 150, 700, 300));
        if (thickness <= 2)
            EXPECT_EQ(region.unclaimed, 0);
        else
            EXPECT_GE(region.unclaimed, kNoMarkStrength) << thickness;
    }
}

TEST(PageInkLetters, LettersCutOffALabelReturnToPrintButMarksStayPen)
{
    Sheet sheet;
    // Recognition read each word from its first ink; the labels were cut
    // shorter, as if a mark stood before them.
    const QRectF team = sheet.print(u"Teamwork"_s, {200, 200});
    const QRectF no = sheet.print(u"No"_s, {600, 200});
    sheet.line({560, 170}, {585, 205}, 20, 3); // a cross drawn against "No"
    sheet.line({585, 170}, {560, 205}, 20, 3);
    const QRectF teamLetters = team.adjusted(0.25 * team.width(), 0, 0, 0);
    sheet.painter.end();
    PageInk ink(sheet.image);
    QList<QRectF> printed{team.intersected(teamLetters), no};
    ink.separate(printed, {}, kPrint);
    ASSERT_GT(penIn(ink, team.adjusted(0, 0, -0.75 * team.width(), 0)), 0);

    ink.keepLettersAsPrint(
        {{QRectF(team.left(), team.top(), teamLetters.left() - team.left(), team.height()),
          teamLetters},
         {QRectF(558, 168, no.left() - 558, 40), no}},
        kPrint);
    EXPECT_EQ(penIn(ink, team), 0);
    EXPECT_GT(penIn(ink, QRectF(556, 166, 34, 44)), 60);
}

TEST(PageInkBoxes, ASquareJustAfterABoxIsItsLabelsLettersNotASecondBox)
{
    // Bold "It" can draw four sides once blurred; boxes never stand side by
    // side, while a box a label's width further on is a box.
    Sheet sheet;
    sheet.painter.setPen(QPen(Qt::black, 3));
    for (const double left : {100.0, 146.0, 400.0})
        sheet.painter.drawRect(QRectF(left, 100, 36, 36));
    const PageInk& ink = sheet.separated();
    ASSERT_EQ(ink.boxes().size(), 2);
    QList<int> lefts;
    for (const QRect& box : ink.boxes())
        lefts.append(box.left());
    std::sort(lefts.begin(), lefts.end());
    EXPECT_LE(std::abs(lefts[0] - 100), 3);
    EXPECT_LE(std::abs(lefts[1] - 400), 3);
}

TEST(MarkEvidenceCredit, TicksCountWhileWriteInsAndLettersLeftOutOfALabelDoNot)
{
    for (const bool writingOnRule : {true, false}) {
        Sheet sheet;
        const QRectF yes = sheet.print(u"Yes"_s, {200, 150});
        // Recognition left the capital I out of its label and its word; once
        // it also read a speck above the line into the label's box.
        QRectF it = sheet.print(u"t was wanted"_s, {500, 150});
        if (!writingOnRule)
            it.setTop(it.top() - 0.3 * kPrint);
        sheet.painter.drawText(QPointF(488, 150), u"I"_s);
        const QRectF other = sheet.print(u"Other"_s, {200, 300});
        sheet.line({yes.left() - 40, 130}, {yes.left() - 30, 145}, 20, 3); // a tick
        sheet.line({yes.left() - 30, 145}, {yes.left() - 10, 110}, 20, 3);
        sheet.line({other.right() + 20, 302}, {other.right() + 420, 302}, 0, 2);
        // A few words written on the rule, or the same strokes far below it.
        const double y = writingOnRule ? 290 : 390;
        for (int k = 0; k < 5; ++k)
            sheet.line({other.right() + 60 + 30 * k, y + 8}, {other.right() + 75 + 30 * k, y - 14},
                       30, 3);
        const PageInk& ink = sheet.separated();
        ASSERT_GT(penIn(ink, QRectF(480, it.top(), it.left() - 480, it.height())), 0);
        const RegionInk region = creditedIn(
            ink, {{u"Yes"_s, yes, 1.0}, {u"It was wanted"_s, it, 1.0}, {u"Other"_s, other, 1.0}},
            QRectF(100, 80, 1000, 400));
        EXPECT_GE(region.options[0].strength, kMarkStrength);
        EXPECT_EQ(region.options[1].strength, 0);
        EXPECT_EQ(region.options[2].strength, 0);
        if (writingOnRule)
            EXPECT_EQ(region.unclaimed, 0);
        else
            EXPECT_GE(region.unclaimed, kNoMarkStrength);
    }
}

TEST(MarkEvidenceCredit, ACapitalILeftOutOfALabelReadTallerThanItsLineIsNoMark)
{
    // Recognition read "had SOME support" down to its descenders and a
    // speck above into the label's box, so the I lines up with neither
    // edge. Only a label that starts with an I lets such a stroke go.
    Sheet sheet;
    QRectF some = sheet.print(u"had SOME support"_s, {240, 150});
    sheet.painter.drawText(QPointF(226, 150), u"I"_s);
    some.setTop(some.top() - 0.3 * kPrint);
    QRectF yes = sheet.print(u"Yes"_s, {240, 250});
    yes.adjust(0, -0.3 * kPrint, 0, 0.3 * kPrint);
    sheet.line({229, 231}, {229, 248}, 20, 6); // a stroke before "Yes"
    const PageInk& ink = sheet.separated();
    const RegionInk region =
        creditedIn(ink, {{u"I had SOME support"_s, some, 1.0}, {u"Yes"_s, yes, 1.0}},
                   QRectF(100, 50, 1000, 300));
    EXPECT_EQ(region.options[0].strength, 0);
    EXPECT_GE(region.options[1].strength, kMarkStrength);
}

TEST(MarkEvidenceCredit, ALabelsOneLetterFirstWordLeftOutIsNoMark)
{
    // Recognition read "A LOT" and "A little" as "LOT" and "little"; the
    // second has a cross before its "A". Where the "A" was read, a cross
    // of a letter's size just before it is a mark.
    Sheet sheet;
    sheet.painter.drawText(QPointF(200, 150), u"A"_s);
    const QRectF lot = sheet.print(u"LOT"_s, {232, 150});
    sheet.painter.drawText(QPointF(200, 250), u"A"_s);
    const QRectF little = sheet.print(u"little"_s, {232, 250});
    sheet.line({160, 226}, {184, 250}, 20, 3);
    sheet.line({184, 226}, {160, 250}, 20, 3);
    const PageInk& ink = sheet.separated();
    const RegionInk region = creditedIn(ink, {{u"A LOT"_s, lot, 0.8}, {u"A little"_s, little, 0.8}},
                                        QRectF(100, 50, 1000, 300));
    EXPECT_EQ(region.options[0].strength, 0);
    EXPECT_GE(region.options[1].strength, kMarkStrength);
    EXPECT_EQ(region.unclaimed, 0);

    Sheet read;
    const QRectF whole = read.print(u"A little"_s, {200, 250});
    read.line({170, 226}, {194, 250}, 20, 3);
    read.line({194, 226}, {170, 250}, 20, 3);
    const RegionInk crossed =
        creditedIn(read.separated(), {{u"A little"_s, whole, 1.0}}, QRectF(100, 50, 1000, 300));
    EXPECT_GE(crossed.options[0].strength, kMarkStrength);
}

TEST(PageInkLetters, ACrossJoinedToALabelsFirstLetterIsFreedAsPen)
{
    Sheet sheet;
    const QRectF prefer = sheet.print(u"Prefer not"_s, {200, 200});
    const QRectF yes = sheet.print(u"Yes"_s, {500, 200});
    const QRectF yours = sheet.print(u"yours"_s, {700, 200});
    // A cross drawn against the "P", reaching below the line; recognition
    // read it into the word.
    sheet.line({prefer.left() - 14, prefer.top() - 2}, {prefer.left() + 6, prefer.bottom() + 8}, 20,
               3);
    sheet.line({prefer.left() + 6, prefer.top() - 2}, {prefer.left() - 14, prefer.bottom() + 8}, 20,
               3);
    sheet.words[0] = prefer.adjusted(-16, -4, 0, 10);
    const PageInk& before = sheet.separated();
    ASSERT_EQ(penIn(before, prefer.adjusted(-16, -4, 0, 10)), 0);

    PageInk& ink = *sheet.ink;
    ink.freeMarksJoinedToLabels({{prefer, false}, {yes, false}, {yours, true}}, kPrint);
    EXPECT_GT(penIn(ink, QRectF(prefer.left() - 16, prefer.top() - 4, 24, prefer.height() + 14)),
              100);
    EXPECT_EQ(penIn(ink, prefer.adjusted(0.3 * prefer.width(), 0, 0, 0)), 0);
    EXPECT_EQ(penIn(ink, yes), 0);
    EXPECT_EQ(penIn(ink, yours), 0);
}

TEST(PageInkLetters, LettersRunTogetherPastADescenderStayPrint)
{
    // Heavy print blurred into one piece, "People", reaches below the line
    // at its "p" without any mark.
    Sheet sheet;
    const QRectF people = sheet.print(u"People at work"_s, {200, 200});
    const QFontMetricsF metrics(sheet.font);
    for (qsizetype n = 1; n < 6; ++n)
        sheet.painter.fillRect(
            QRectF(200 + metrics.horizontalAdvance(u"People"_s.left(n)) - 4, 190, 8, 4), Qt::black);
    const PageInk& before = sheet.separated();
    ASSERT_EQ(penIn(before, people), 0);
    const auto joined =
        std::find_if(before.pieces().begin(), before.pieces().end(), [&](const InkPiece& piece) {
            return piece.bounds.left() <= people.left() + 2 && piece.bounds.width() >= 2.2 * kPrint;
        });
    ASSERT_NE(joined, before.pieces().end()) << "the letters did not run together";

    PageInk& ink = *sheet.ink;
    ink.freeMarksJoinedToLabels({{people, false}}, kPrint);
    EXPECT_EQ(penIn(ink, people), 0);
}

TEST(PageInkBoxes, InkInsideAStraightBoxIsPenWhateverWordIsReadOverIt)
{
    // Recognition stretched each label's word over the right of its box,
    // as tall as the box when the label is printed flush against it;
    // inside the page's boxes a scribble is a mark, while a smaller square
    // (a bold letter's) keeps what the word holds as print.
    for (const auto& [pageSized, asTallAsBox] :
         {std::pair{true, false}, {false, false}, {true, true}, {false, true}}) {
        Sheet sheet;
        sheet.painter.setPen(QPen(Qt::black, 2));
        for (const double top : {100.0, 200.0, 300.0})
            sheet.painter.drawRect(QRectF(100, top, 32, 32));
        const QRectF marked = pageSized ? QRectF(400, 100, 32, 32) : QRectF(400, 100, 24, 24);
        sheet.painter.drawRect(marked);
        sheet.line(marked.topLeft() + QPointF(7, 8), marked.bottomRight() - QPointF(8, 7), 40, 3);
        sheet.line(marked.topLeft() + QPointF(7, 16), marked.bottomRight() - QPointF(16, 7), 40, 3);
        const QRectF label = sheet.print(u"Male"_s, {marked.right() + 12, 130});
        sheet.words.last().setLeft(marked.left() + 6);
        if (asTallAsBox) {
            sheet.words.last().setTop(marked.top());
            sheet.words.last().setBottom(marked.bottom());
        }
        const PageInk& ink = sheet.separated();
        ASSERT_EQ(ink.boxes().size(), 4);
        const int inside = penIn(ink, marked.adjusted(4, 4, -4, -4));
        if (pageSized)
            EXPECT_GT(inside, 40);
        else
            EXPECT_EQ(inside, 0);
        EXPECT_EQ(penIn(ink, label), 0);
    }
}

TEST(PageInkLetters, APieceSharedBetweenTwoWordsIsAMark)
{
    Sheet sheet;
    const QRectF seventh = sheet.print(u"7th"_s, {200, 200});
    const QRectF eighth = sheet.print(u"8th"_s, {seventh.right() + 50, 200});
    // A cross between the labels, read as a point after one word and a
    // quote before the next.
    const double left = seventh.right() + 8, right = eighth.left() - 8;
    sheet.line({left, seventh.top() - 4}, {right, seventh.bottom() + 4}, 30, 3);
    sheet.line({right, seventh.top() - 4}, {left, seventh.bottom() + 4}, 30, 3);
    sheet.words[0].setRight(left + 16);
    sheet.words[1].setLeft(right - 16);
    sheet.painter.end();
    PageInk ink(sheet.image);
    ink.separate(sheet.words, {sheet.words[0].united(sheet.words[1])}, kPrint);
    EXPECT_GT(
        penIn(ink, QRectF(left - 2, seventh.top() - 6, right - left + 4, seventh.height() + 12)),
        100);
    EXPECT_EQ(penIn(ink, seventh.adjusted(0, 0, -10, 0)), 0);
    EXPECT_EQ(penIn(ink, eighth.adjusted(10, 0, 0, 0)), 0);

    // A letter no taller than a capital, split between its word and noise
    // read after it, stays print.
    Sheet noisy;
    const QRectF team = noisy.print(u"Teamwork"_s, {200, 200});
    const QFontMetricsF metrics(noisy.font);
    const double kLeft = 200 + metrics.horizontalAdvance(u"Teamwor"_s);
    const double kMiddle = kLeft + metrics.horizontalAdvance(u"k"_s) / 2;
    noisy.words[0].setRight(kMiddle);
    noisy.words.append(QRectF(kMiddle, team.top(), 40, team.height()));
    EXPECT_EQ(penIn(noisy.separated(), team), 0);
}

TEST(PageInkLetters, ATickJoinedToAFirstLetterAndStandingFarAboveItIsFreed)
{
    Sheet sheet;
    const QRectF middle = sheet.print(u"In the middle"_s, {200, 200});
    const QRectF it = sheet.print(u"It"_s, {600, 200});
    // A tick whose foot touches the "I" at the line and whose stroke rises
    // well above the print; recognition read it into the word.
    sheet.line({middle.left() - 20, middle.bottom() - 12}, {middle.left() + 1, middle.bottom()}, 20,
               3);
    sheet.line({middle.left() + 1, middle.bottom()}, {middle.left() + 14, middle.top() - 16}, 20,
               3);
    sheet.words[0] = middle.adjusted(-22, -18, 0, 0);
    PageInk& ink = const_cast<PageInk&>(sheet.separated());
    ink.freeMarksJoinedToLabels({{middle, false}, {it, false}}, kPrint);
    EXPECT_GT(penIn(ink, QRectF(middle.left() - 22, middle.top() - 18, 40, middle.height() + 18)),
              100);
    EXPECT_EQ(penIn(ink, middle.adjusted(0.3 * middle.width(), 0, 0, 0)), 0);
    EXPECT_EQ(penIn(ink, it), 0);
}

TEST(MarkEvidenceWriteIns, WritingOnARuleIsNoMarkForTheLabelAboveIt)
{
    // Written tall, up into the line of the last label but one.
    Sheet sheet;
    const QRectF previous = sheet.print(u"Previous field trips"_s, {200, 350});
    const QRectF other = sheet.writeIn(400, false);
    sheet.painter.setPen(QPen(QColor(20, 20, 120), 3));
    sheet.painter.drawPath(strokes({{{380, 401}, {395, 300}, {410, 398}, {430, 330}}}));
    const RegionInk region = creditedIn(
        sheet.separated(), {{u"Previous field trips"_s, previous, 1.0}, {u"Other"_s, other, 1.0}});
    EXPECT_TRUE(readMarks(region, true).marks.isEmpty());
    EXPECT_EQ(region.unclaimed, 0);

    // Rings round the last two labels touch, standing over the rule's start
    // and down to it: answers, not writing.
    Sheet ringed;
    const QRectF required = ringed.print(u"It was required"_s, {200, 350});
    const QRectF last = ringed.writeIn(400, false);
    ringed.ring(required.adjusted(-14, -10, 14, 10), 12);
    ringed.ring(last.adjusted(-14, -10, 14, 12), 12);
    const RegionInk both = creditedIn(
        ringed.separated(), {{u"It was required"_s, required, 1.0}, {u"Other"_s, last, 1.0}});
    EXPECT_EQ(readMarks(both, false).marks.size(), 2);
}

TEST(PageInkRings, ATightRingsFlatTopAndBottomAreNoRulesToWriteOn)
{
    Sheet sheet;
    // The ring touches the letters, which split the paper it closes round.
    const QRectF wanted = sheet.print(u"I wanted"_s, {200, 200});
    const QRectF tight = wanted.adjusted(-16, -1, 16, 1);
    sheet.ring(tight, 10);
    const QRectF other = sheet.writeIn(400, false);
    sheet.painter.end();
    // The page's print runs smaller than these labels.
    const double letters = 0.8 * wanted.height();
    PageInk ink(sheet.image);
    ink.separate(sheet.words, sheet.words, letters);

    for (const QRect& rule : ink.rules())
        EXPECT_FALSE(QRectF(rule).intersects(tight.adjusted(-3, -3, 3, 3)))
            << "ring taken for a rule at " << rule.y();
    EXPECT_TRUE(hasWriteInRule(ink, 402));
    const RegionInk region = creditedIn(ink, {{u"Other"_s, other, 1.0}});
    EXPECT_GE(region.unclaimed, kMarkStrength);
}

TEST(PageInkRings, ARingIsTakenAwayForReadingItsLabelAgainButItsLettersStay)
{
    Sheet sheet;
    const QRectF maybe = sheet.print(u"Maybe"_s, {200, 200});
    const QRectF ring = maybe.adjusted(-20, -18, 20, 18);
    sheet.ring(ring, 20);
    sheet.painter.end();
    PageInk ink(sheet.image);
    // Recognition lost the label: nothing printed is known there.
    ink.separate({}, {}, kPrint);
    const QRect crop = ring.adjusted(-6, -6, 6, 6).toAlignedRect();
    const QImage cleaned = ink.withoutMarks(sheet.image, crop, kPrint);
    ASSERT_EQ(cleaned.size(), crop.size());
    const auto darkIn = [&](const QRectF& part) {
        int dark = 0;
        const QRect r =
            part.toAlignedRect().translated(-crop.topLeft()).intersected(cleaned.rect());
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                dark += qGray(cleaned.pixel(x, y)) < 128;
        return dark;
    };
    EXPECT_EQ(darkIn(QRectF(ring.left() - 4, ring.top() - 4, ring.width() + 8, 10)), 0);
    EXPECT_EQ(darkIn(QRectF(ring.left() - 4, ring.top(), 12, ring.height())), 0);
    EXPECT_GT(darkIn(maybe), 0.15 * maybe.width() * maybe.height());
}

TEST(PageInkRings, ARingsFlatSideCurvingAwayAtBothEndsIsNoRuleToWriteOn)
{
    Sheet sheet;
    // Only the bottom of a long ring runs flat (its top crosses the
    // letters); its ends curve up round the label.
    const QRectF career = sheet.print(u"No, I plan to pursue a career"_s, {200, 200});
    QPainterPath ring;
    ring.moveTo(career.left() + 30, career.top() - 14);
    ring.quadTo(career.left() - 24, career.center().y(), career.left() + 20, career.bottom() + 8);
    ring.lineTo(career.right() - 20, career.bottom() + 8);
    ring.quadTo(career.right() + 24, career.center().y(), career.right() - 30, career.top() - 14);
    sheet.painter.setPen(QPen(QColor(20, 20, 20), 4));
    sheet.painter.drawPath(ring);
    sheet.writeIn(400, true);
    const PageInk& ink = sheet.separated();

    for (const QRect& rule : ink.rules())
        EXPECT_GT(rule.top(), career.bottom() + 20) << "ring taken for a rule at " << rule.y();
    EXPECT_TRUE(hasWriteInRule(ink, 402));
}
