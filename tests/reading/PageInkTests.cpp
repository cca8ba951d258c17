#include "TestSupport.h"
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

namespace {
constexpr double kPrint = 30; // print height in pixels

// Print, rings, boxes and pen drawn on white paper, sorted into print and pen
// as the reader sorts a scanned page.
struct Sheet
{
    QImage image;
    QPainter painter;
    QFont font{u"DejaVu Sans"_s};
    QList<QRectF> words;
    QList<LabelSpot> spots; // each word printed, found as a label
    std::unique_ptr<PageInk> ink;

    explicit Sheet(QSize size = {1200, 700}) : image(size, QImage::Format_Grayscale8)
    {
        image.fill(255);
        painter.begin(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        font.setPixelSize(int(kPrint));
        painter.setFont(font);
    }

    // Prints the text with its baseline at `at` and returns the letters' box
    // as recognition reports it, in the painter's coordinates.
    QRectF print(const QString& text, QPointF at)
    {
        painter.setPen(Qt::black);
        painter.drawText(at, text);
        const QRectF box = QFontMetricsF(font).tightBoundingRect(text).translated(at);
        words.append(painter.transform().mapRect(box));
        spots.append({text, words.last(), 1.0});
        return box;
    }

    void ring(const QRectF& around, double radius)
    {
        painter.setPen(QPen(QColor(20, 20, 20), 4));
        painter.drawRoundedRect(around, radius, radius);
    }

    void line(QPointF from, QPointF to, int grey = 20, double width = 3)
    {
        painter.setPen(QPen(QColor(grey, grey, grey), width));
        painter.drawLine(from, to);
    }

    void cross(const QRectF& corners, int grey = 20)
    {
        line(corners.topLeft(), corners.bottomRight(), grey);
        line(corners.topRight(), corners.bottomLeft(), grey);
    }

    void pen(const QPainterPath& path, QColor colour = QColor(20, 20, 120), double width = 3)
    {
        painter.setPen(QPen(colour, width));
        painter.drawPath(path);
    }

    void box(const QRectF& square, double width = 3)
    {
        painter.setPen(QPen(Qt::black, width));
        painter.drawRect(square);
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

    PageInk& separated(double printHeight = kPrint)
    {
        painter.end();
        ink = std::make_unique<PageInk>(image);
        ink->separate(words, words, printHeight);
        return *ink;
    }

    // The pen ink credited to the labels printed, taken `counts[i]` at a time
    // in print order as the labels of the region `areas[i]`.
    QList<RegionInk> credited(const QList<QRectF>& areas, const QList<int>& counts)
    {
        QList<QList<LabelSpot>> regions;
        for (qsizetype i = 0, first = 0; i < counts.size(); first += counts[i++])
            regions.append(spots.mid(first, counts[i]));
        return creditPenInk(*ink, regions, areas, kPrint);
    }
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

QStringList marked(const MarkReading& read)
{
    return testsupport::mapped(read.marks, &DetectedMark::label);
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

// Two labels printed at their baselines, check boxes and a pen path drawn:
// the one region's ink as credited. Recognition can stretch the first
// label's word down to `firstReachesDown` or right to `firstReachesRight`.
RegionInk boxedInk(const std::array<std::pair<QString, QPointF>, 2>& labels,
                   const QList<QRectF>& boxes, const QPainterPath& pen, double firstReachesDown = 0,
                   double firstReachesRight = 0)
{
    Sheet sheet;
    for (const auto& [text, at] : labels)
        sheet.print(text, at);
    QRectF& first = sheet.spots.first().box;
    if (firstReachesDown > 0)
        first.setBottom(firstReachesDown);
    if (firstReachesRight > 0)
        first.setRight(firstReachesRight);
    sheet.words.first() = first;
    for (const QRectF& box : boxes)
        sheet.box(box);
    sheet.pen(pen);
    sheet.separated();
    return sheet.credited({QRectF(0, 0, 600, 400)}, {2}).value(0);
}
} // namespace

TEST(PageInkRings, RingsStayPenAndNoSideOfOneIsTakenForABoxOrARule)
{
    Sheet sheet({1200, 1100});
    // A ring tight round a short label, as square as a check box.
    const QRectF square = sheet.print(u"7th"_s, {200, 150}).adjusted(-7, -13, 7, 13);
    sheet.ring(square, 12);
    // A long flat ring whose top and bottom run straight for several letters.
    const QRectF required = sheet.print(u"It was required"_s, {200, 350});
    const QRectF oval = required.adjusted(-14, -10, 14, 10);
    sheet.ring(oval, oval.height() / 2);
    // Drawn by hand with small round corners round a long label: an open
    // answer box's shape hugging its words, but no stretch runs straight.
    const QRectF flat =
        sheet.print(u"Prefer not to answer"_s, {600, 150}).adjusted(-12, -14, 12, 14);
    QPainterPath rounded, wavering;
    rounded.addRoundedRect(flat, 8, 8);
    for (int k = 0; k <= 400; ++k) {
        const QPointF at = rounded.pointAtPercent(k / 400.0);
        const QPointF waved(at.x(), at.y() + 2.5 * std::sin(at.x() / 9));
        k > 0 ? wavering.lineTo(waved) : wavering.moveTo(waved);
    }
    sheet.pen(wavering, QColor(20, 20, 20), 4);
    // Only the bottom of a long ring runs flat; its ends curve up.
    const QRectF career = sheet.print(u"No, I plan to pursue a career"_s, {200, 700});
    QPainterPath curving;
    curving.moveTo(career.left() + 30, career.top() - 14);
    curving.quadTo(career.left() - 24, career.center().y(), career.left() + 20,
                   career.bottom() + 8);
    curving.lineTo(career.right() - 20, career.bottom() + 8);
    curving.quadTo(career.right() + 24, career.center().y(), career.right() - 30,
                   career.top() - 14);
    sheet.pen(curving, QColor(20, 20, 20), 4);
    // An open answer box with a word inside, and a write-in rule with a word
    // written on it, stay print and rules.
    sheet.print(u"Notes"_s, {620, 300});
    sheet.box(QRectF(600, 260, 500, 140), 2);
    sheet.writeIn(550, true);
    // A ring touching the letters, which split the paper inside it, read
    // also as a page whose print runs smaller than these labels.
    const QRectF wanted = sheet.print(u"I wanted"_s, {200, 850});
    const QRectF tight = wanted.adjusted(-16, -1, 16, 1);
    sheet.ring(tight, 10);
    sheet.writeIn(1000, false);
    // Drawn round a label with nearly square corners, its long sides
    // straight: the shape of an answer frame, but no taller than a line of
    // print. Recognition read the ringed label as a blank word over it.
    const QRectF math = sheet.print(u"Yes, in Math"_s, {650, 580}).adjusted(-12, -10, 12, 10);
    sheet.ring(math, 6);
    sheet.words.last() = math.adjusted(-2, -6, 2, 6);
    const PageInk& ink = sheet.separated();

    EXPECT_GT(penIn(ink, QRectF(math.left() - 3, math.top(), 8, math.height())), 60);
    EXPECT_TRUE(ink.boxes().isEmpty());
    EXPECT_GE(penIn(ink, square.adjusted(-3, -3, 3, 3)), kPrint * kPrint / 2);
    EXPECT_GT(penIn(ink, QRectF(oval.center().x() - 40, oval.top() - 4, 80, 8)), 100);
    EXPECT_GT(penIn(ink, QRectF(flat.left() - 4, flat.center().y() - 10, 8, 20)), 40);
    EXPECT_EQ(penIn(ink, QRectF(700, 256, 300, 8)), 0);
    EXPECT_EQ(penIn(ink, required.adjusted(4, 4, -4, -4)), 0); // the print inside a ring
    for (const QRect& rule : ink.rules()) {
        for (const QRectF& ring : {oval, career.adjusted(-30, -20, 30, 20)})
            EXPECT_FALSE(QRectF(rule).intersects(ring)) << "ring taken for a rule at " << rule.y();
    }
    EXPECT_TRUE(hasWriteInRule(ink, 552));
    // A label's box stretched over the side of the ring round it is still inside it.
    EXPECT_TRUE(ink.inkEncloses(oval.adjusted(-2, -2, 2, 2).toAlignedRect(),
                                required.adjusted(-20, 0, 0, 0), kPrint));

    PageInk smaller(sheet.image);
    smaller.separate(sheet.words, sheet.words, 0.8 * wanted.height());
    for (const QRect& rule : smaller.rules())
        EXPECT_FALSE(QRectF(rule).intersects(tight.adjusted(-3, -3, 3, 3)))
            << "ring taken for a rule at " << rule.y();
    EXPECT_TRUE(hasWriteInRule(smaller, 1002));
    EXPECT_GE(creditPenInk(smaller, {{sheet.spots.last()}}, {QRectF(0, 800, 1200, 300)}, kPrint)
                  .value(0)
                  .unclaimed,
              kMarkStrength);
}

TEST(PageInkBoxes, SquaresApartAreBoxesAndPencilOrAScribbleInsideOneIsPen)
{
    Sheet sheet({1200, 900});
    // Bold "It" can draw four sides once blurred; boxes never stand side by
    // side, while a box a label's width further on is a box.
    for (const double left : {100.0, 146.0, 400.0})
        sheet.box(QRectF(left, 100, 36, 36));
    // Pencil paler than the ink threshold inside one box and on bare paper.
    const QRectF filled(100, 200, 40, 40), empty(300, 200, 40, 40);
    sheet.box(filled);
    sheet.box(empty);
    for (int k = 0; k < 4; ++k) {
        sheet.line({110.0, 210.0 + 6 * k}, {130.0, 216.0 + 6 * k}, 205);
        sheet.line({510.0, 210.0 + 6 * k}, {530.0, 216.0 + 6 * k}, 205);
    }
    // A tick's tail runs up the lower box's side to the corner of the box
    // above, joining their outlines; rows set close or further apart.
    QList<QRectF> ticked;
    for (const auto& [left, gap] : {std::pair{100.0, 10.0}, {300.0, 18.0}}) {
        const QRectF lower(left, 336 + gap, 36, 36);
        sheet.box(QRectF(left, 300, 36, 36));
        sheet.box(lower);
        sheet.pen(strokes({{{left + 6, lower.top() + 14},
                            {left + 16, lower.top() + 30},
                            {left + 34, lower.top() + 6},
                            {left + 36, 328}}}),
                  QColor(20, 20, 120), 4);
        ticked.append(lower);
    }
    // Pale pencil words in a frame to write in, and the lamp's falloff
    // darkening the page's bottom edge.
    const QRectF prompt = sheet.print(u"Any suggestions for us?"_s, {100, 480});
    sheet.box(QRectF(100, 510, 900, 200), 2);
    QPainterPath writing;
    writing.moveTo(130, 580);
    for (int k = 0; k < 12; ++k)
        writing.quadTo(140 + 20 * k, k % 2 ? 550 : 595, 150 + 20 * k, 580);
    sheet.pen(writing, QColor(205, 205, 205));
    sheet.painter.fillRect(QRectF(600, 880, 600, 20), QColor(200, 200, 200));
    const PageInk& ink = sheet.separated();

    EXPECT_EQ(ink.boxes().size(), 8);
    for (const QPoint corner :
         {QPoint(100, 100), QPoint(400, 100), QPoint(100, 200), QPoint(300, 200), QPoint(100, 300),
          QPoint(100, 346), QPoint(300, 300), QPoint(300, 354)})
        EXPECT_TRUE(std::any_of(ink.boxes().begin(), ink.boxes().end(),
                                [&](const QRect& box) {
                                    return std::abs(box.left() - corner.x()) <= 3 &&
                                           std::abs(box.top() - corner.y()) <= 3;
                                }))
            << "no box at " << corner.x() << ", " << corner.y();
    EXPECT_GE(penIn(ink, filled.adjusted(6, 6, -6, -6)), 60);
    EXPECT_EQ(penIn(ink, empty.adjusted(-4, -4, 4, 4)), 0);
    EXPECT_EQ(penIn(ink, QRectF(500, 200, 40, 40)), 0);
    for (const QRectF& lower : ticked)
        EXPECT_GT(penIn(ink, lower.adjusted(4, 4, -4, -4)), 40) << lower.top();
    const PageInk::Strokes inFrame = ink.paleStrokesIn(QRect(100, 510, 900, 200), kPrint);
    EXPECT_GE(inFrame.pixels, 0.3 * kPrint * kPrint);
    EXPECT_GE(inFrame.longest, 200);
    EXPECT_TRUE(QRect(120, 540, 300, 70).contains(inFrame.bounds));
    EXPECT_EQ(ink.paleStrokesIn(QRect(0, 720, 1200, 180), kPrint).pixels, 0);
    EXPECT_EQ(ink.paleStrokesIn(prompt.toAlignedRect().adjusted(-4, -4, 4, 4), kPrint).pixels, 0);

    // Recognition stretched the label's word over the right of its box, as
    // tall as the box when the label is printed flush against it. Inside the
    // page's boxes a scribble is a mark; a smaller square (a bold letter's)
    // keeps what the word holds as print.
    for (const auto& [pageSized, asTallAsBox] :
         {std::pair{true, false}, {false, false}, {true, true}, {false, true}}) {
        Sheet single;
        for (const double top : {100.0, 200.0, 300.0})
            single.box(QRectF(100, top, 32, 32), 2);
        const QRectF marked = pageSized ? QRectF(400, 100, 32, 32) : QRectF(400, 100, 24, 24);
        single.box(marked, 2);
        single.line(marked.topLeft() + QPointF(7, 8), marked.bottomRight() - QPointF(8, 7), 40);
        single.line(marked.topLeft() + QPointF(7, 16), marked.bottomRight() - QPointF(16, 7), 40);
        const QRectF label = single.print(u"Male"_s, {marked.right() + 12, 130});
        single.words.last().setLeft(marked.left() + 6);
        if (asTallAsBox) {
            single.words.last().setTop(marked.top());
            single.words.last().setBottom(marked.bottom());
        }
        const PageInk& alone = single.separated();
        ASSERT_EQ(alone.boxes().size(), 4);
        const int inside = penIn(alone, marked.adjusted(4, 4, -4, -4));
        if (pageSized)
            EXPECT_GT(inside, 40);
        else
            EXPECT_EQ(inside, 0);
        EXPECT_EQ(penIn(alone, label), 0);
    }
}

TEST(PageInkLetters, MarksJoinedToOrSharedByLettersArePenAndTheLettersStayPrint)
{
    Sheet sheet;
    const QFontMetricsF metrics(sheet.font);
    // A cross between two labels, read as a point after one word and a
    // quote before the next.
    const QRectF seventh = sheet.print(u"7th"_s, {200, 100});
    const QRectF eighth = sheet.print(u"8th"_s, {seventh.right() + 50, 100});
    const double left = seventh.right() + 8, right = eighth.left() - 8;
    sheet.cross({QPointF(left, seventh.top() - 4), QPointF(right, seventh.bottom() + 4)}, 30);
    sheet.words[0].setRight(left + 16);
    sheet.words[1].setLeft(right - 16);
    // A cross against the "P", reaching below the line, read into the word.
    const QRectF prefer = sheet.print(u"Prefer not"_s, {200, 200});
    const QRectF yes = sheet.print(u"Yes"_s, {500, 200});
    const QRectF yours = sheet.print(u"yours"_s, {700, 200});
    sheet.cross({QPointF(prefer.left() - 14, prefer.top() - 2),
                 QPointF(prefer.left() + 6, prefer.bottom() + 8)});
    sheet.words[2] = prefer.adjusted(-16, -4, 0, 10);
    // A tick whose foot touches the "I" at the line and whose stroke rises
    // well above the print, read into the word.
    const QRectF middle = sheet.print(u"In the middle"_s, {200, 300});
    const QRectF it = sheet.print(u"It"_s, {600, 300});
    const QPointF foot(middle.left() + 1, middle.bottom());
    sheet.line({middle.left() - 20, middle.bottom() - 12}, foot);
    sheet.line(foot, {middle.left() + 14, middle.top() - 16});
    sheet.words[5] = middle.adjusted(-22, -18, 0, 0);
    // Heavy print blurred into one piece reaches below the line at its "p".
    const QRectF people = sheet.print(u"People at work"_s, {200, 400});
    for (qsizetype n = 1; n < 6; ++n)
        sheet.painter.fillRect(
            QRectF(200 + metrics.horizontalAdvance(u"People"_s.left(n)) - 4, 390, 8, 4), Qt::black);
    // A capital's height of letter split between its word and noise after it.
    const QRectF team = sheet.print(u"Teamwork"_s, {200, 500});
    const double kMiddle =
        200 + metrics.horizontalAdvance(u"Teamwor"_s) + metrics.horizontalAdvance(u"k"_s) / 2;
    sheet.words.last().setRight(kMiddle);
    sheet.words.append(QRectF(kMiddle, team.top(), 40, team.height()));
    // A last letter that recognition shared out between a speck read as a
    // quote and the next word, both boxes standing left of their ink. Its
    // letters stand as tall as the page's print.
    sheet.font.setPixelSize(int(1.25 * kPrint));
    sheet.painter.setFont(sheet.font);
    const QRectF research = sheet.print(u"Research"_s, {700, 680});
    const QRectF ability = sheet.print(u"Ability"_s, {research.right() + 14, 680});
    sheet.painter.fillRect(QRectF(research.right() + 4, research.top(), 5, 5), Qt::black);
    const double hLeft = 700 + QFontMetricsF(sheet.font).horizontalAdvance(u"Researc"_s);
    sheet.font.setPixelSize(int(kPrint));
    sheet.painter.setFont(sheet.font);
    sheet.words[sheet.words.size() - 2].setRight(hLeft);
    sheet.words.last().setLeft(hLeft + 10);
    sheet.words.insert(sheet.words.size() - 1, QRectF(hLeft, ability.top(), 10, ability.height()));
    // A bold capital as wide as most of a print height, read partly as a
    // quote before its word.
    sheet.font.setPixelSize(int(1.2 * kPrint));
    sheet.font.setBold(true);
    sheet.painter.setFont(sheet.font);
    const QRectF help = sheet.print(u"Help"_s, {1000, 680});
    const double capital = QFontMetricsF(sheet.font).tightBoundingRect(u"H"_s).width();
    sheet.font.setPixelSize(int(kPrint));
    sheet.font.setBold(false);
    sheet.painter.setFont(sheet.font);
    sheet.words.last().setLeft(help.left() + 0.45 * capital);
    sheet.words.insert(sheet.words.size() - 1,
                       QRectF(help.left() - 1, help.top(), 0.45 * capital, help.height()));
    // A ring round a label recognition lost: nothing printed is known there.
    sheet.painter.drawText(QPointF(900, 450), u"Maybe"_s);
    const QRectF maybe =
        QFontMetricsF(sheet.font).tightBoundingRect(u"Maybe"_s).translated(900, 450);
    const QRectF ring = maybe.adjusted(-20, -18, 20, 18);
    sheet.ring(ring, 20);
    // Words read from their first ink, cut shorter than their labels as if a
    // mark stood before them, and a cross drawn against "No".
    const QRectF cut = sheet.print(u"Teamwork"_s, {200, 600});
    const QRectF no = sheet.print(u"No"_s, {600, 600});
    sheet.cross(QRectF(560, 570, 25, 35));
    const QRectF cutLetters = cut.adjusted(0.25 * cut.width(), 0, 0, 0);
    sheet.words[sheet.words.size() - 2] = cutLetters;
    sheet.painter.end();
    // The labels sharing the cross stand in one line; no line holds the words read short.
    QList<QRectF> lines = sheet.words.first(sheet.words.size() - 2);
    lines[1] = lines[0].united(lines[1]);
    lines.removeFirst();
    PageInk ink(sheet.image);
    ink.separate(sheet.words, lines, kPrint);

    EXPECT_GT(
        penIn(ink, QRectF(left - 2, seventh.top() - 6, right - left + 4, seventh.height() + 12)),
        100);
    EXPECT_EQ(penIn(ink, seventh.adjusted(0, 0, -10, 0)), 0);
    EXPECT_EQ(penIn(ink, eighth.adjusted(10, 0, 0, 0)), 0);
    EXPECT_EQ(penIn(ink, team), 0);
    EXPECT_EQ(penIn(ink, research.united(ability)), 0);
    EXPECT_EQ(penIn(ink, help), 0);
    ASSERT_EQ(penIn(ink, prefer.adjusted(-16, -4, 0, 10)), 0);
    ASSERT_EQ(penIn(ink, people), 0);
    ASSERT_TRUE(std::any_of(ink.pieces().begin(), ink.pieces().end(), [&](const InkPiece& piece) {
        return piece.bounds.left() <= people.left() + 2 && piece.bounds.width() >= 2.2 * kPrint &&
               piece.bounds.intersects(people.toAlignedRect());
    })) << "the letters did not run together";
    ASSERT_GT(penIn(ink, cut.adjusted(0, 0, -0.75 * cut.width(), 0)), 0);

    // Taken away for reading the label again, the ring leaves its letters.
    const QRect crop = ring.adjusted(-6, -6, 6, 6).toAlignedRect();
    const QImage cleaned = ink.withoutMarks(sheet.image, crop, kPrint);
    ASSERT_EQ(cleaned.size(), crop.size());
    const auto darkIn = [&](const QRectF& part) {
        int dark = 0;
        const QRect r = part.toAlignedRect().translated(-crop.topLeft()) & cleaned.rect();
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                dark += qGray(cleaned.pixel(x, y)) < 128;
        return dark;
    };
    EXPECT_EQ(darkIn(QRectF(ring.left() - 4, ring.top() - 4, ring.width() + 8, 10)), 0);
    EXPECT_EQ(darkIn(QRectF(ring.left() - 4, ring.top(), 12, ring.height())), 0);
    EXPECT_GT(darkIn(maybe), 0.15 * maybe.width() * maybe.height());

    ink.freeMarksJoinedToLabels({{prefer, false},
                                 {yes, false},
                                 {yours, true},
                                 {middle, false},
                                 {it, false},
                                 {people, false}},
                                kPrint);
    ink.keepLettersAsPrint(
        {{QRectF(cut.left(), cut.top(), cutLetters.left() - cut.left(), cut.height()), cutLetters},
         {QRectF(558, 568, no.left() - 558, 40), no}},
        kPrint);
    EXPECT_GT(penIn(ink, QRectF(prefer.left() - 16, prefer.top() - 4, 24, prefer.height() + 14)),
              100);
    EXPECT_GT(penIn(ink, QRectF(middle.left() - 22, middle.top() - 18, 40, middle.height() + 18)),
              100);
    EXPECT_GT(penIn(ink, QRectF(556, 566, 34, 44)), 60);
    for (const QRectF& letters : {prefer.adjusted(0.3 * prefer.width(), 0, 0, 0), yes, yours,
                                  middle.adjusted(0.3 * middle.width(), 0, 0, 0), it, people, cut})
        EXPECT_EQ(penIn(ink, letters), 0) << letters.x() << ", " << letters.y();
}

TEST(MarkEvidenceBoxes, AMarkCountsForTheLabelItStandsBeforeOrBesideTheBoxHoldingIt)
{
    // The labels read as marked ("*" for any one); the others have no ink.
    const auto expectRead = [](const char* name, const RegionInk& region, bool single,
                               const QStringList& marks, bool conflicting = false) {
        SCOPED_TRACE(name);
        const MarkReading read = readMarks(region, single);
        EXPECT_EQ(read.conflicting, conflicting);
        EXPECT_FALSE(read.doubtful);
        ASSERT_EQ(read.marks.size(), marks.size());
        for (qsizetype i = 0; i < marks.size(); ++i) {
            if (marks[i] != u"*"_s) {
                EXPECT_EQ(read.marks[i].label, marks[i]);
            }
        }
        for (const OptionInk& option : region.options) {
            if (!marked(read).contains(option.spot.label)) {
                EXPECT_EQ(option.strength, 0) << option.spot.label.toStdString();
            }
        }
    };
    // Rows set close: the box of "None" stands under "Presenting", and the
    // tick's tail, cut off where it crossed the box's corner, points at the
    // label above.
    expectRead("tail cut off by its box",
               boxedInk({{{u"Presenting"_s, {150, 130}}, {u"None"_s, {250, 180}}}},
                        {QRectF(200, 150, 36, 36)},
                        strokes({{{206, 166}, {214, 180}, {228, 159}}, {{241, 143}, {244, 138}}})),
               false, {u"None"_s});
    // The tick in the lower box runs on past its corner toward the label
    // above, cut off at the box, as heavy as its body. With both boxes
    // ticked, the tail is neither's to take.
    const std::array<std::pair<QString, QPointF>, 2> plans{
        {{u"Yes, in Math"_s, {262, 130}}, {u"No, I plan"_s, {262, 198}}}};
    const QList<QRectF> twoBoxes{QRectF(200, 96, 44, 44), QRectF(200, 160, 44, 44)};
    for (const double tailTop : {110, 96})
        expectRead(
            "long tail",
            boxedInk(plans, twoBoxes,
                     strokes({{{204, 176}, {216, 198}, {240, 164}}, {{250, 150}, {253, tailTop}}})),
            true, {u"No, I plan"_s});
    expectRead("long tail, short tick",
               boxedInk(plans, twoBoxes,
                        strokes({{{222, 188}, {228, 196}, {240, 178}}, {{250, 150}, {253, 96}}})),
               true, {u"No, I plan"_s});
    expectRead("long tail, both ticked",
               boxedInk(plans, twoBoxes,
                        strokes({{{204, 176}, {216, 198}, {240, 164}},
                                 {{250, 150}, {253, 110}},
                                 {{204, 116}, {214, 132}, {236, 102}}})),
               true, {u"Yes, in Math"_s, u"No, I plan"_s}, true);
    // A cross in the lower box whose arm reaches the label above, which
    // recognition stretched down to it; two ticks, one per box, touching.
    const std::array<std::pair<QString, QPointF>, 2> sexes{
        {{u"Male"_s, {262, 130}}, {u"Prefer not"_s, {262, 198}}}};
    expectRead("cross reaching the label above",
               boxedInk(sexes, twoBoxes,
                        strokes({{{196, 156}, {250, 210}}, {{196, 210}, {256, 144}}}), 172),
               true, {u"Prefer not"_s});
    expectRead("a tick in each box",
               boxedInk(sexes, twoBoxes,
                        strokes({{{204, 116}, {214, 132}, {236, 100}},
                                 {{204, 180}, {216, 198}, {230, 120}}})),
               false, {u"Male"_s, u"Prefer not"_s});
    // A tick squeezed between two labels on a line, over the end of the word
    // before it, which recognition stretched to take it in.
    expectRead("tick squeezed between labels",
               boxedInk({{{u"10th"_s, {200, 130}}, {u"11th"_s, {296, 130}}}}, {},
                        strokes({{{266, 116}, {274, 130}, {290, 100}}}), 0, 280),
               true, {u"11th"_s});
    // Two crosses in a column before labels one above the other, touching.
    QPainterPath crosses;
    for (const double top : {100.0, 136.0})
        crosses.addPath(strokes({{{214, top}, {250, top + 38}}, {{250, top}, {214, top + 38}}}));
    expectRead("crosses in a column",
               boxedInk({{{u"I wanted"_s, {262, 130}}, {u"Other"_s, {262, 168}}}}, {}, crosses),
               false, {u"I wanted"_s, u"Other"_s});
    // A tick just after a label's end, well short of the next label's start,
    // answers the label it follows.
    expectRead("tick after a label",
               boxedInk({{{u"Yes"_s, {200, 130}}, {u"No"_s, {334, 130}}}}, {},
                        strokes({{{254, 112}, {260, 124}, {270, 100}}})),
               true, {u"Yes"_s});
    // A tall tick before the lower label reaching the row above is one mark.
    expectRead("tall tick",
               boxedInk({{{u"Alpine"_s, {262, 130}}, {u"Wasatch"_s, {262, 170}}}}, {},
                        strokes({{{214, 150}, {226, 172}, {252, 100}}})),
               false, {u"*"_s});

    // A tick before the lower label whose tail runs up over the label above:
    // the lower label's, or the upper one's only in doubt.
    const RegionInk over = boxedInk({{{u"6th"_s, {262, 130}}, {u"10th"_s, {262, 190}}}}, {},
                                    strokes({{{214, 168}, {228, 192}, {300, 108}}}));
    const QStringList overRead = marked(readMarks(over, true));
    ASSERT_EQ(overRead.size(), 1);
    if (overRead.first() != u"10th"_s) {
        EXPECT_GE(over.unclaimed, kNoMarkStrength);
    }
    // A stroke after two labels' ends, as near one as the other, answers neither surely.
    EXPECT_GE(boxedInk({{{u"6th"_s, {262, 130}}, {u"10th"_s, {262, 190}}}}, {},
                       strokes({{{305, 140}, {325, 158}}}))
                  .unclaimed,
              kNoMarkStrength);
    // Half of a ring broken at its flat top, over both labels' starts, stands before neither.
    QPainterPath half;
    half.moveTo(252, 92);
    half.quadTo(350, 135, 252, 178);
    EXPECT_LE(
        readMarks(boxedInk({{{u"I wanted"_s, {262, 130}}, {u"Other"_s, {262, 168}}}}, {}, half),
                  false)
            .marks.size(),
        1);
}

TEST(MarkEvidenceDoubt, AFaintTraceIsSpillOnlyOnSingleChoiceAndOfTwoSureMarksTheHeavierLeads)
{
    const auto expectRead = [](double yes, double no, bool single, const QStringList& marks,
                               bool doubtful, bool conflicting) {
        RegionInk region;
        region.options = {{{u"Yes"_s, QRectF(0, 0, 60, 30)}, yes, {}},
                          {{u"No"_s, QRectF(0, 40, 60, 30)}, no, {}}};
        const MarkReading read = readMarks(region, single);
        SCOPED_TRACE(testing::Message() << yes << " / " << no << (single ? ", single" : ""));
        EXPECT_EQ(marked(read), marks);
        EXPECT_EQ(read.doubtful, doubtful);
        EXPECT_EQ(read.conflicting, conflicting);
    };
    // A ring's weight with its tail's spill on the next label; a tick with a
    // trace too heavy to be its spill; the faint trace where several answers
    // may stand.
    expectRead(2.0, 0.06, true, {u"Yes"_s}, false, false);
    expectRead(0.3, 0.07, true, {u"Yes"_s}, true, false);
    expectRead(2.0, 0.06, false, {u"Yes"_s}, true, false);
    // A letter's fragment taken for a mark before the ring round the answer.
    expectRead(0.75, 7.9, true, {u"No"_s, u"Yes"_s}, false, true);
}

TEST(MarkEvidenceRegions, RingsTouchingOtherLabelsOrRulesAreTheirOwnLabelsAnswers)
{
    Sheet sheet({2400, 1050});
    // "Yes" ringed, its ring's bottom running into the "No" on the next line.
    const QRectF yes = sheet.print(u"Yes"_s, {200, 200});
    const QRectF no = sheet.print(u"No"_s, {200, 245});
    sheet.ring(
        QRectF(yes.left() - 30, yes.top() - 40, yes.width() + 60, no.top() + 3 - (yes.top() - 40)),
        40);
    // Two rings one above the other that meet, both answers.
    const QRectF wanted = sheet.print(u"I wanted"_s, {600, 200});
    const QRectF required = sheet.print(u"It was required"_s, {600, 250});
    sheet.ring(wanted.adjusted(-12, -10, 12, 10), 18);
    sheet.ring(QRectF(required.left() - 20, wanted.bottom() + 10, required.width() + 40,
                      required.bottom() + 10 - (wanted.bottom() + 10)),
               18);
    // The lower label's ring, and the left end of the upper one's running into it.
    const QRectF research = sheet.print(u"Research Ability"_s, {200, 500});
    const QRectF writing = sheet.print(u"Writing"_s, {200, 550});
    const QRectF lower = writing.adjusted(-12, -12, 12, 10);
    sheet.ring(lower, lower.height() / 2);
    const QRectF upper = research.adjusted(-12, -30, 12, 10);
    QPainterPath leftEnd;
    leftEnd.moveTo(upper.left() + 120, upper.top());
    leftEnd.lineTo(upper.left() + 20, upper.top());
    leftEnd.quadTo(upper.left(), upper.center().y(), upper.left() + 10, lower.top() + 2);
    sheet.pen(leftEnd, QColor(20, 20, 20), 4);
    // Writing on a rule, tall up into the line of the last label but one, is
    // no mark; rings round the last two labels touching, over the rule's
    // start and down to it, are answers.
    sheet.painter.translate(1200, 0);
    sheet.print(u"Previous field trips"_s, {200, 250});
    sheet.writeIn(300, false);
    sheet.pen(strokes({{{380, 301}, {395, 200}, {410, 298}, {430, 230}}}));
    const QRectF ringed = sheet.print(u"It was required"_s, {200, 550});
    sheet.ring(ringed.adjusted(-14, -10, 14, 10), 12);
    sheet.ring(sheet.writeIn(600, false).adjusted(-14, -10, 14, 12), 12);
    // Rings round a label and one on the next line that touch, taking in
    // the unmarked label beside the first between them.
    sheet.painter.resetTransform();
    const QRectF ability = sheet.print(u"Research Ability"_s, {200, 850});
    sheet.print(u"Writing"_s, {560, 850});
    const QRectF management = sheet.print(u"Time Management"_s, {420, 900});
    sheet.ring(ability.adjusted(-12, -10, 12, 12), 14);
    sheet.ring(management.adjusted(-12, -12, 12, 10), 14);
    sheet.separated();

    const QList<RegionInk> regions = sheet.credited(
        {QRectF(0, 0, 500, 350), QRectF(500, 0, 700, 350), QRectF(0, 350, 1200, 350),
         QRectF(1200, 0, 1200, 400), QRectF(1200, 400, 1200, 350), QRectF(0, 750, 1200, 300)},
        {2, 2, 2, 2, 2, 3});
    ASSERT_EQ(regions.size(), 6);
    const MarkReading single = readMarks(regions[0], true);
    EXPECT_FALSE(single.conflicting || single.doubtful);
    EXPECT_EQ(marked(single), QStringList{u"Yes"_s});
    EXPECT_EQ(readMarks(regions[1], false).marks.size(), 2);
    EXPECT_GE(regions[2].options.value(1).strength, kSureMarkStrength);
    EXPECT_TRUE(marked(readMarks(regions[2], false)).endsWith(u"Writing"_s));
    EXPECT_TRUE(readMarks(regions[3], true).marks.isEmpty());
    EXPECT_EQ(regions[3].unclaimed, 0);
    EXPECT_EQ(readMarks(regions[4], false).marks.size(), 2);
    EXPECT_EQ(marked(readMarks(regions[5], false)),
              (QStringList{u"Research Ability"_s, u"Time Management"_s}));
}

TEST(MarkEvidenceCredit, TicksCountWhileDustWriteInsAndLettersLeftOutOfALabelDoNot)
{
    Sheet sheet({2400, 1250});
    // Yes and No with dust among them: solid specks, even against a label,
    // and slivers of a line's edge are nobody's and raise no doubt, while a
    // stroke's end and a short stroke do.
    for (const int top : {0, 300, 600, 900}) {
        sheet.print(u"Yes"_s, {200, top + 200.0});
        sheet.print(u"No"_s, {500, top + 200.0});
    }
    sheet.painter.fillRect(QRectF(380, 272, 8, 8), Qt::black);
    sheet.painter.fillRect(QRectF(230, 206, 7, 6), Qt::black); // just under "Yes"
    sheet.line({380, 580}, {388, 572});
    sheet.painter.fillRect(QRect(600, 900, 40, 2), QColor(40, 40, 40));
    sheet.painter.fillRect(QRect(600, 1200, 40, 5), QColor(40, 40, 40));
    // Recognition read "I had SOME support" without its I, down to its
    // descenders and a speck above into the label's box, so the I lines up
    // with neither edge: only a label starting with an I lets it go.
    sheet.painter.translate(1200, 0);
    sheet.print(u"had SOME support"_s, {240, 150});
    sheet.spots.last().label = u"I had SOME support"_s;
    sheet.spots.last().box.adjust(0, -0.3 * kPrint, 0, 0);
    sheet.painter.drawText(QPointF(226, 150), u"I"_s);
    sheet.print(u"Yes"_s, {240, 250});
    sheet.spots.last().box.adjust(0, -0.3 * kPrint, 0, 0.3 * kPrint);
    sheet.line({229, 231}, {229, 248}, 20, 6); // a stroke before "Yes"
    // Recognition read "A LOT" and "A little" as "LOT" and "little", the
    // second with a cross before its "A"; where the "A" was read, a cross of
    // a letter's size just before it is a mark.
    for (const auto& [text, label] :
         {std::pair{u"LOT"_s, u"A LOT"_s}, {u"little"_s, u"A little"_s}}) {
        const double y = text == u"LOT"_s ? 400 : 500;
        sheet.painter.drawText(QPointF(200, y), u"A"_s);
        sheet.print(text, {232, y});
        sheet.spots.last().label = label;
        sheet.spots.last().similarity = 0.8;
    }
    sheet.cross(QRectF(160, 476, 24, 24));
    sheet.print(u"A little"_s, {200, 650});
    sheet.cross(QRectF(170, 626, 24, 24));
    // Recognition read "Problem solving" as "Problem": a ring's stroke
    // through "solving" was taken out, leaving bits of its letters.
    const QRectF problem = sheet.print(u"Problem"_s, {200, 900});
    sheet.spots.last().label = u"Problem solving"_s;
    sheet.spots.last().box.setRight(sheet.spots.last().box.right() + 130);
    sheet.line({problem.right() + 40, 882}, {problem.right() + 40, 897});
    sheet.line({problem.right() + 70, 889}, {problem.right() + 80, 897});
    sheet.separated();

    const QList<RegionInk> regions = sheet.credited(
        {QRectF(100, 150, 700, 300), QRectF(100, 450, 700, 300), QRectF(100, 750, 700, 300),
         QRectF(100, 1050, 700, 200), QRectF(1300, 50, 1000, 250), QRectF(1300, 300, 1000, 250),
         QRectF(1300, 550, 1000, 200), QRectF(1300, 800, 1000, 200)},
        {2, 2, 2, 2, 2, 2, 1, 1});
    ASSERT_EQ(regions.size(), 8);
    EXPECT_EQ(regions[7].options[0].strength, 0);
    EXPECT_EQ(regions[7].unclaimed, 0);
    EXPECT_EQ(regions[0].unclaimed, 0) << "speck";
    EXPECT_GE(regions[1].unclaimed, kNoMarkStrength / 2) << "stroke's end";
    EXPECT_EQ(regions[2].unclaimed, 0) << "sliver";
    EXPECT_GE(regions[3].unclaimed, kNoMarkStrength) << "short stroke";
    for (const RegionInk& region : regions.first(4)) {
        for (const OptionInk& option : region.options)
            EXPECT_EQ(option.strength, 0) << option.spot.box.y();
    }
    EXPECT_EQ(regions[4].options[0].strength, 0);
    EXPECT_GE(regions[4].options[1].strength, kMarkStrength);
    EXPECT_EQ(regions[5].options[0].strength, 0);
    EXPECT_GE(regions[5].options[1].strength, kMarkStrength);
    EXPECT_EQ(regions[5].unclaimed, 0);
    EXPECT_GE(regions[6].options[0].strength, kMarkStrength);

    // A tick counts; writing on a rule and a capital I left out of its label do not.
    for (const auto& [writingOnRule, serifI] :
         {std::pair{true, false}, {false, false}, {true, true}}) {
        Sheet page;
        const QRectF yes = page.print(u"Yes"_s, {200, 150});
        // Recognition left the capital I out of its label and its word; once
        // it also read a speck above the line into the label's box.
        const QRectF it = page.print(u"t was wanted"_s, {500, 150});
        page.spots.last().label = u"It was wanted"_s;
        if (!writingOnRule)
            page.spots.last().box.adjust(0, -0.3 * kPrint, 0, 0);
        if (serifI) {
            // A serif capital nearly half a print height wide.
            page.painter.fillRect(QRectF(492, it.top(), 4, 150 - it.top()), Qt::black);
            for (const double y : {it.top(), 147.0})
                page.painter.fillRect(QRectF(486, y, 14, 3), Qt::black);
        } else {
            page.painter.drawText(QPointF(488, 150), u"I"_s);
        }
        const QRectF other = page.print(u"Other"_s, {200, 300});
        page.line({yes.left() - 40, 130}, {yes.left() - 30, 145}); // a tick
        page.line({yes.left() - 30, 145}, {yes.left() - 10, 110});
        page.line({other.right() + 20, 302}, {other.right() + 420, 302}, 0, 2);
        // A few words written on the rule, or the same strokes far below it.
        const double y = writingOnRule ? 290 : 390;
        for (int k = 0; k < 5; ++k)
            page.line({other.right() + 60 + 30 * k, y + 8}, {other.right() + 75 + 30 * k, y - 14},
                      30);
        // A letter's tail hanging just below the rule.
        page.line({other.right() + 230, y + 13}, {other.right() + 224, y + 28}, 30);
        const QRectF read = page.spots[1].box;
        ASSERT_GT(penIn(page.separated(), QRectF(480, read.top(), it.left() - 480, read.height())),
                  0);
        const RegionInk region = page.credited({QRectF(100, 80, 1000, 400)}, {3}).value(0);
        EXPECT_GE(region.options[0].strength, kMarkStrength);
        EXPECT_EQ(region.options[1].strength, 0);
        EXPECT_EQ(region.options[2].strength, 0);
        if (writingOnRule)
            EXPECT_EQ(region.unclaimed, 0);
        else
            EXPECT_GE(region.unclaimed, kNoMarkStrength);
    }
}

TEST(MarkEvidenceCredit, ALastLetterRecognitionLeftOutOfItsLabelIsNoMark)
{
    Sheet page;
    const QRectF label = page.print(u"Time Management"_s, {200, 150});
    const QRectF t = QFontMetricsF(page.font).tightBoundingRect(u"t"_s);
    page.spots.last().box.setRight(label.right() - t.width() - 6);
    page.words.last() = page.spots.last().box;
    page.print(u"None"_s, {200, 220});
    ASSERT_GT(penIn(page.separated(), label.adjusted(label.width() - t.width() - 2, 0, 2, 0)), 0);
    const RegionInk region = page.credited({QRectF(100, 80, 800, 300)}, {2}).value(0);
    EXPECT_EQ(region.options[0].strength, 0);
    EXPECT_EQ(region.unclaimed, 0);
}

TEST(PageInkLetters, ALetterRecognitionsBoxCutsOffStaysPrintAndAStrokeBesideAWordStaysPen)
{
    Sheet sheet;
    // Recognition's box stops short of a word's first letter, or of a
    // descender below it.
    sheet.print(u"Time"_s, {200, 150});
    const QRectF time = sheet.words.last();
    sheet.words.last().setLeft(time.left() + 0.3 * kPrint);
    sheet.print(u"Ability"_s, {200, 300});
    const QRectF ability = sheet.words.last();
    sheet.words.last().setBottom(ability.bottom() - 0.3 * kPrint);
    // A short stroke just before a word, clear of its letters.
    const QRectF no = sheet.print(u"No"_s, {200, 450});
    sheet.line({no.left() - 14, no.top() + 8}, {no.left() - 5, no.bottom() - 4});
    // Bold print blurred runs its letters together along their middle into
    // one piece, and recognition's box stops short of its last letter.
    const QRectF management = sheet.print(u"Management"_s, {200, 600});
    sheet.painter.fillRect(
        QRectF(management.left() + 2, 600 - 0.3 * kPrint - 1.5, management.width() - 4, 3),
        Qt::black);
    sheet.words.last().setRight(management.right() - 0.5 * kPrint);
    // Its first letter cut still shorter, at most of its width.
    sheet.print(u"Teamwork"_s, {600, 150});
    const QRectF team = sheet.words.last();
    sheet.words.last().setLeft(team.left() + 0.45 * kPrint);
    // A letter read again as a word of its own inside its word; a capital
    // and a speck before it read as a dash, the word's box starting in the
    // capital's middle. Their letters stand as tall as the page's print.
    sheet.font.setPixelSize(int(1.3 * kPrint));
    sheet.painter.setFont(sheet.font);
    const QRectF hang = sheet.print(u"Hang"_s, {600, 300});
    sheet.words.append(
        QRectF(hang.right() - 0.55 * kPrint, hang.top() + 6, 0.55 * kPrint, hang.height() - 4));
    const QRectF none = sheet.print(u"None"_s, {600, 450});
    sheet.painter.fillRect(QRectF(none.left() - 14, none.bottom() - 8, 5, 5), Qt::black);
    const double capital = QFontMetricsF(sheet.font).tightBoundingRect(u"N"_s).width();
    sheet.words.last().setLeft(none.left() + 0.5 * capital);
    sheet.words.append(QRectF(none.left() - 14, none.top(), 14 + 0.5 * capital, none.height()));
    // A label read again as a whole, its box lower than its words', over a
    // word whose box stops short of its last letter.
    const QRectF prefer = sheet.print(u"Prefer"_s, {600, 600});
    const QRectF nt = sheet.print(u"not"_s, {prefer.right() + 14, 600});
    sheet.words.last().adjust(0, -3, -4, 3);
    const QRectF to = sheet.print(u"to"_s, {nt.right() + 14, 600});
    sheet.words.append(
        QRectF(prefer.left(), nt.top() + 2, to.right() - prefer.left(), nt.height() - 4));
    sheet.font.setPixelSize(int(kPrint));
    sheet.painter.setFont(sheet.font);
    const PageInk& ink = sheet.separated();
    for (const QRectF& word : {team, hang, none, nt})
        EXPECT_EQ(penIn(ink, word.adjusted(-4, -4, 4, 4)), 0);
    EXPECT_EQ(penIn(ink, management.adjusted(-4, -4, 4, 4)), 0);
    EXPECT_EQ(penIn(ink, time.adjusted(-4, -4, 4, 4)), 0);
    EXPECT_EQ(penIn(ink, ability.adjusted(-4, -4, 4, 4)), 0);
    EXPECT_GT(penIn(ink, QRectF(no.left() - 18, no.top(), 16, no.height())), 10);
}

TEST(PageInkBoxes, ATickedBoxReadIntoItsLabelsWordIsABoxInLineWithThePagesOthers)
{
    // Recognition read each ticked box as its label's first letter, the
    // word's box starting at the check box's. One stands in a column of
    // boxes, one in a row of them. A square as the first letter of a word
    // with a single box in line is a bold letter's.
    Sheet sheet({1200, 800});
    QList<QRectF> ticked;
    for (const auto& [at, text] : {std::pair{QPointF(100, 100), u"5th"_s},
                                   {QPointF(450, 100), u"6th"_s},
                                   {QPointF(100, 160), u"9th"_s},
                                   {QPointF(100, 220), u"12th"_s},
                                   {QPointF(800, 350), u"Online"_s},
                                   {QPointF(100, 350), u"Help"_s},
                                   {QPointF(450, 350), u"Other"_s},
                                   {QPointF(100, 600), u"Yes"_s},
                                   {QPointF(100, 660), u"Mo"_s}}) {
        const QRectF box(at, QSizeF(30, 30));
        sheet.box(box, 2);
        sheet.print(text, {box.right() + 10, box.bottom() - 3});
        if (text != u"5th"_s && text != u"Online"_s && text != u"Mo"_s)
            continue;
        sheet.pen(strokes({{box.topLeft() + QPointF(6, 14), box.bottomLeft() + QPointF(13, -5),
                            box.topRight() + QPointF(6, -6)}}),
                  QColor(20, 20, 20), 3);
        sheet.words.last().setLeft(box.left());
        sheet.words.last().setTop(box.top() - 6);
        ticked.append(box);
    }
    ticked.removeLast();
    const PageInk& ink = sheet.separated();
    // Six boxes standing apart and the two ticked ones; not the letter's.
    EXPECT_EQ(ink.boxes().size(), 8);
    for (const QRectF& box : ticked)
        EXPECT_GT(penIn(ink, box.adjusted(5, 5, -5, -5)), 40) << box.x() << ", " << box.y();
    for (const QRectF& word : sheet.words)
        EXPECT_EQ(penIn(ink, word.adjusted(40, 6, 0, 0)), 0);
}

TEST(PageInkLetters, BoldLettersBlurredIntoOnePieceAlongTheirLineStayPrintAndAMarkThereStaysPen)
{
    // Recognition garbled "was", blurred into one piece wider than a mark,
    // sharing it out between the words before and after; its line holds it.
    Sheet sheet;
    sheet.font.setBold(true);
    sheet.painter.setFont(sheet.font);
    const QRectF it = sheet.print(u"It"_s, {200, 150});
    const QRectF was = sheet.print(u"was"_s, {it.right() + 14, 150});
    const QRectF required = sheet.print(u"required"_s, {was.right() + 14, 150});
    sheet.painter.fillRect(QRectF(was.left() + 2, was.center().y() - 2, was.width() - 4, 4),
                           Qt::black);
    sheet.words = {it.adjusted(0, 0, 0.4 * was.width() + 14, 0),
                   was.adjusted(0.6 * was.width(), 4, 0, 0), required};
    // A tall tick in the same line stays a mark.
    sheet.line({required.right() + 20, 130}, {required.right() + 28, 155});
    sheet.line({required.right() + 28, 155}, {required.right() + 44, 112});
    sheet.painter.end();
    PageInk ink(sheet.image);
    ink.separate(sheet.words, {it.united(required).adjusted(-4, -4, 60, 4)}, kPrint);
    ASSERT_GT(was.width(), 2 * kPrint);
    EXPECT_EQ(penIn(ink, was.adjusted(-2, -2, 2, 2)), 0);
    EXPECT_GT(penIn(ink, QRectF(required.right() + 16, 110, 32, 50)), 40);
}

TEST(PageInkBoxes, ASignReadOverADrawnSquareIsItsBoxAndOverAStrokeIsNone)
{
    Sheet sheet;
    sheet.box(QRectF(100, 100, 30, 30));
    sheet.line({300, 130}, {318, 98});
    const PageInk& ink = sheet.separated();
    EXPECT_TRUE(ink.drawsBoxIn(QRect(97, 97, 37, 37)));
    EXPECT_FALSE(ink.drawsBoxIn(QRect(296, 95, 26, 38)));
}

TEST(PageInkLetters, APrintBandHoldsTheLettersAndLeavesOutDustButNotAStroke)
{
    Sheet sheet;
    // A word with a speck of dust just above it, and the same word under
    // the foot of a stroke.
    const QRectF dusted = sheet.print(u"Communication"_s, {100, 200});
    sheet.painter.fillRect(QRectF(180, dusted.top() - 10, 6, 6), Qt::black);
    const QRectF stroked = sheet.print(u"Communication"_s, {100, 400});
    sheet.line({150, stroked.top() - 50}, {175, stroked.top() - 20});
    const PageInk& ink = sheet.separated();

    const QRect band = ink.printBandIn(dusted.adjusted(0, -45, 0, 5).toAlignedRect(), kPrint);
    ASSERT_FALSE(band.isEmpty());
    // Capitals and ascenders are in the band, beside the small letters.
    EXPECT_NEAR(band.top(), dusted.top(), 2);
    EXPECT_NEAR(band.y() + band.height(), dusted.bottom(), 2);
    EXPECT_TRUE(ink.printBandIn(stroked.adjusted(0, -55, 0, 5).toAlignedRect(), kPrint).isEmpty());
}

TEST(PageInkPale, AllMarksPaleBesideThePrintAreInkButADoodleInTheMarginIsNot)
{
    // Pencil pressed lightly, paler than ink is read, draws a ring and a
    // cross; or dark ball-point does, with a pale doodle in the margin.
    const auto sheetWith = [](int markGrey, bool doodle) {
        auto sheet = std::make_unique<Sheet>();
        const QRectF yes = sheet->print(u"Yes"_s, {200, 150});
        sheet->print(u"No"_s, {500, 150});
        const QRectF maybe = sheet->print(u"Maybe"_s, {200, 350});
        sheet->print(u"Other"_s, {500, 350});
        sheet->painter.setPen(QPen(QColor(markGrey, markGrey, markGrey), 4));
        sheet->painter.drawEllipse(yes.adjusted(-16, -12, 16, 12));
        sheet->cross(QRectF(maybe.left() - 40, maybe.top(), 28, 28), markGrey);
        if (doodle) {
            QPainterPath zigzag;
            zigzag.moveTo(1100, 100);
            for (int k = 1; k <= 12; ++k)
                zigzag.lineTo(k % 2 ? 1160 : 1100, 100 + 40 * k);
            sheet->pen(zigzag, QColor(192, 192, 192), 4);
        }
        sheet->separated();
        return sheet;
    };
    const auto pencil = sheetWith(192, false);
    EXPECT_GT(penIn(*pencil->ink, QRectF(170, 110, 30, 60)), 80); // the ring's left side
    EXPECT_GT(penIn(*pencil->ink, QRectF(160, 320, 28, 28)), 80); // the cross

    const auto ballPoint = sheetWith(20, true);
    EXPECT_GT(penIn(*ballPoint->ink, QRectF(170, 110, 30, 60)), 80);
    EXPECT_EQ(penIn(*ballPoint->ink, QRectF(1090, 90, 80, 500)), 0);
}

TEST(PageInkPale, APaleRingDottedWithDarkerSpecksIsOneStrokeAndADarkRingNone)
{
    // Pencil pressed lightly leaves a pale line with darker grains along it.
    Sheet sheet;
    sheet.painter.setPen(QPen(QColor(205, 205, 205), 3));
    const QRectF ring(100, 100, 300, 60);
    sheet.painter.drawEllipse(ring);
    for (int k = 0; k < 56; ++k) {
        const double t = k * 2 * M_PI / 56;
        const QPointF at = ring.center() + QPointF(150 * std::cos(t), 30 * std::sin(t));
        sheet.painter.fillRect(QRectF(at - QPointF(1.5, 1.5), QSizeF(3, 3)), QColor(60, 60, 60));
    }
    // A ring drawn dark, with its pale fringe, is pen already.
    const QRectF dark(100, 300, 300, 60);
    sheet.ring(dark, 30);
    const PageInk& ink = sheet.separated();
    const PageInk::Strokes pale =
        ink.paleStrokesIn(ring.adjusted(-20, -20, 20, 20).toAlignedRect(), kPrint, true);
    EXPECT_GE(pale.longest, 250);
    const QRect aroundDark = dark.adjusted(-20, -20, 20, 20).toAlignedRect();
    EXPECT_GE(ink.paleStrokesIn(aroundDark, kPrint).longest, 250);
    EXPECT_EQ(ink.paleStrokesIn(aroundDark, kPrint, true).pixels, 0);
}

TEST(MarkEvidenceDoubt, AMarkBeforeALabelIsLevelWithItsFirstLineAndATallTickPointsWithItsFoot)
{
    // The first label's word stretched down over the next line by writing
    // that touched it: the cross before "Other" stands before "Other".
    const RegionInk crossed =
        boxedInk({{{u"Previous field"_s, {200, 100}}, {u"Other"_s, {200, 160}}}}, {},
                 strokes({{{160, 135}, {198, 165}}, {{198, 135}, {160, 165}}}), 175);
    EXPECT_EQ(marked(readMarks(crossed, true)), QStringList{u"Other"_s});
    // A tick whose tail climbs from one row into the one above points with
    // its foot; a stroke as long falling the other way, its low end at its
    // right, stands about as near either label.
    const RegionInk ticked = boxedInk({{{u"Alpine"_s, {200, 100}}, {u"Wasatch"_s, {200, 150}}}}, {},
                                      strokes({{{150, 146}, {160, 160}, {185, 65}}}));
    EXPECT_EQ(marked(readMarks(ticked, true)), QStringList{u"Wasatch"_s});
    EXPECT_LT(ticked.unclaimed, kNoMarkStrength);
    const RegionInk slashed = boxedInk({{{u"Alpine"_s, {200, 100}}, {u"Wasatch"_s, {200, 150}}}},
                                       {}, strokes({{{150, 65}, {165, 110}, {185, 160}}}));
    EXPECT_GE(slashed.unclaimed, kNoMarkStrength);
    // Two ticks one above the other, the lower one's tail touching the
    // upper one's point: each is its own label's, the lower one keeping to
    // the left of both.
    const RegionInk stacked = boxedInk(
        {{{u"Problem solving"_s, {200, 100}}, {u"Research Ability"_s, {200, 150}}}}, {},
        strokes({{{160, 84}, {171, 100}, {190, 58}}, {{148, 135}, {160, 156}, {174, 103}}}));
    EXPECT_EQ(marked(readMarks(stacked, false)),
              (QStringList{u"Problem solving"_s, u"Research Ability"_s}));
}

TEST(MarkEvidenceRegions, ARingWhoseFlatSidesAreTakenOutIsOneMarkForItsLabel)
{
    Sheet sheet({1200, 700});
    // A broad ring round "Jordan" with nearly square corners: its flat top
    // and bottom run straight, one above the other, and turn at their ends.
    // Its right arc reaches as near "Nebo" as "Jordan".
    const QRectF jordan = sheet.print(u"Jordan"_s, {200, 200});
    sheet.print(u"Nebo"_s, {jordan.right() + 70, 200});
    sheet.ring(jordan.adjusted(-40, -45, 50, 45), 22);
    // Two short rules one above the other, the same length, to write on.
    sheet.line({200, 500}, {400, 500}, 0, 2);
    sheet.line({200, 570}, {400, 570}, 0, 2);
    const PageInk& ink = sheet.separated();

    ASSERT_FALSE(ink.ringFrames().isEmpty());
    for (const QRect& frame : ink.ringFrames())
        EXPECT_LT(frame.bottom(), 400) << "rules taken for a ring at " << frame.y();
    const QList<RegionInk> regions = sheet.credited({QRectF(0, 0, 1200, 400)}, {2});
    ASSERT_EQ(regions.size(), 1);
    const MarkReading read = readMarks(regions[0], true);
    EXPECT_EQ(marked(read), QStringList{u"Jordan"_s});
    EXPECT_FALSE(read.conflicting || read.doubtful);
    EXPECT_LT(regions[0].unclaimed, kNoMarkStrength);
}

TEST(MarkEvidenceDoubt, ATickJoinedToADoodleInTheMarginIsInDoubt)
{
    Sheet sheet;
    const QRectF problem = sheet.print(u"Problem solving"_s, {200, 250});
    sheet.print(u"Research Ability"_s, {200, 300});
    // A tick before the first label, its arm reaching a scribble in the
    // margin above: one mark whose middle stands outside the labels' area.
    sheet.pen(strokes({{{150, 235}, {162, 252}, {190, 200}},
                       {{190, 200}, {60, 60}, {150, 120}, {40, 170}, {180, 90}}}));
    sheet.separated();
    const QRectF area(problem.left() - 54, problem.top() - 20, 900, 200);
    const RegionInk region = sheet.credited({area}, {2}).value(0);
    EXPECT_TRUE(readMarks(region, false).marks.isEmpty());
    EXPECT_GE(region.unclaimed, kNoMarkStrength);
}
