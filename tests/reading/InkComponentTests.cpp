#include "reading/InkComponents.h"
#include "reading/TextRecognizer.h"

#include <QFont>
#include <QPainter>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QImage whitePage(int width, int height)
{
    QImage page(width, height, QImage::Format_Grayscale8);
    page.fill(255);
    return page;
}

int darkPixels(const QImage& grey, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += grey.pixelColor(x, y).value() < 150 ? 1 : 0;
    return count;
}

// A line of print: the words, a check box before the first, a ring round the
// second and a speck of dirt far from both.
struct PrintedLine
{
    QImage image = whitePage(1400, 300);
    QRect box{100, 110, 40, 40};
    QRect ringed{520, 100, 140, 60};
    QRect firstWord{170, 100, 300, 60};
    QRect speck{1300, 250, 3, 3};

    PrintedLine(bool tick)
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QFont font(u"DejaVu Sans"_s);
        font.setPixelSize(36);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(firstWord, Qt::AlignLeft | Qt::AlignVCenter, u"Often"_s);
        painter.drawText(ringed.adjusted(20, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, u"7th"_s);
        painter.drawText(QRect(760, 100, 400, 60), Qt::AlignLeft | Qt::AlignVCenter, u"HOME"_s);
        painter.setPen(QPen(Qt::black, 3));
        painter.drawRect(box);
        painter.setPen(QPen(QColor(20, 20, 60), 6));
        painter.drawEllipse(ringed.adjusted(-10, -12, 10, 12));
        if (tick)
            painter.drawPolyline(
                QPolygon({box.topLeft() + QPoint(6, 20), box.center() + QPoint(-3, 14),
                          box.topRight() + QPoint(6, -10)}));
        painter.fillRect(speck, Qt::black);
    }
};

} // namespace

TEST(InkComponents, BoxFoundRingsBoxesAndSpecksWipedAndLabelsFittedToTheLettersLeft)
{
    for (const bool tick : {false, true}) {
        SCOPED_TRACE(tick ? "ticked" : "blank");
        const PrintedLine line(tick);
        int squares = 0;
        for (const InkComponent& component : inkComponents(line.image, 150)) {
            if (const auto square = checkBoxSquare(component)) {
                ++squares;
                EXPECT_LE(std::abs(square->left() - line.box.left()), 3);
                EXPECT_LE(std::abs(square->width() - line.box.width()), 4);
            }
        }
        // "O", "H", "M", "E" and the rest of the print are not boxes.
        EXPECT_EQ(squares, 1);
        // Pieces are found on grey pages only; joins are InkRunPieces' own tests.
        EXPECT_TRUE(inkComponents(line.image.convertToFormat(QImage::Format_RGB32), 150).isEmpty());

        const QImage cleaned = withoutMarksAndBoxes(line.image);
        EXPECT_EQ(darkPixels(cleaned, line.box.adjusted(-4, -14, 10, 4)), 0);
        EXPECT_EQ(darkPixels(cleaned, line.speck), 0);
        // The ring's top arc is gone, the ringed label's letters stay.
        EXPECT_EQ(darkPixels(cleaned, QRect(540, 86, 100, 8)), 0);
        for (const QRect& letters :
             {line.ringed.adjusted(20, 10, -20, -10), line.firstWord, QRect(760, 100, 400, 60)})
            EXPECT_EQ(darkPixels(cleaned, letters), darkPixels(line.image, letters));
        // Tesseract's box for "Often" reaching half a line too low is fitted
        // to the letters left.
        const QList<InkComponent> letters = inkComponents(cleaned, 150);
        const int printHeight = typicalPrintHeight(letters);
        EXPECT_GT(printHeight, 15);
        EXPECT_LT(printHeight, 40);
        const QRectF fitted = tightenedToLetters(QRectF(165, 95, 160, 100), letters, printHeight);
        EXPECT_GE(fitted.top(), 105);
        EXPECT_LE(fitted.bottom(), 150);
        EXPECT_LE(fitted.left(), 175);
        EXPECT_EQ(tightenedToLetters(QRectF(0, 0, 60, 60), letters, printHeight),
                  QRectF(0, 0, 60, 60));
    }
    const QImage blank = whitePage(50, 50);
    EXPECT_EQ(withoutMarksAndBoxes(blank).constBits(), blank.constBits());
}

TEST(RecognizedLines, RowPiecesAreJoinedAndMisreadSignsMendedWhilePrintsOwnStay)
{
    const RecognizedTextBlock no{u"No,"_s, 0.96, QRectF(285, 626, 62, 36)};
    const RecognizedTextBlock rest{u"I plan to pursue a career in"_s, 0.94,
                                   QRectF(369, 631, 560, 35)};
    const RecognizedTextBlock farAway{u"Maybe"_s, 0.9, QRectF(1300, 628, 130, 36)};
    const RecognizedTextBlock below{u"Other"_s, 0.9, QRectF(950, 700, 120, 36)};
    const QList<RecognizedTextBlock> joined = joinedRowNeighbours({no, rest, farAway, below});
    ASSERT_EQ(joined.size(), 3);
    EXPECT_EQ(joined[0].text, u"No, I plan to pursue a career in"_s);
    EXPECT_EQ(joined[0].pixelBounds, no.pixelBounds.united(rest.pixelBounds));
    EXPECT_NEAR(joined[0].confidence, (0.96 * 3 + 0.94 * 28) / 31, 1e-9);
    // A box glyph stays apart from its label.
    const RecognizedTextBlock glyph{u"L]"_s, 0.4, QRectF(230, 626, 41, 41)};
    EXPECT_EQ(joinedRowNeighbours({glyph, no}).size(), 2);

    // A comma after a leading number is its point; a speck quote before a
    // word is dropped.
    EXPECT_EQ(mendedLineStart(u"7, How did you"_s), u"7. How did you"_s);
    EXPECT_EQ(mendedLineStart(u"Q12, Which"_s), u"Q12. Which"_s);
    EXPECT_EQ(mendedLineStart(u"Yes, in Math"_s), u"Yes, in Math"_s);
    EXPECT_EQ(mendedLineStart(u"1,2 and 3"_s), u"1,2 and 3"_s);
    EXPECT_EQ(mendedWordText(QString::fromUtf8("\u2018Nebo"), 90, 33), u"Nebo"_s);
    EXPECT_EQ(mendedWordText(u"'Provo"_s, 90, 33), u"Provo"_s);
    // Quoted words keep their quotes; so does a quote alone.
    EXPECT_EQ(mendedWordText(QString::fromUtf8("\u2018Other\u2019"), 90, 33),
              QString::fromUtf8("\u2018Other\u2019"));
    EXPECT_EQ(mendedWordText(u"\"No\""_s, 90, 33), u"\"No\""_s);
    EXPECT_EQ(mendedWordText(u"'"_s, 5, 10), u"'"_s);
    // A bar as narrow as a letter stroke is the capital I; one as wide as a
    // box edge, and bars inside words, stay as read.
    EXPECT_EQ(mendedWordText(u"|"_s, 3, 33), u"I"_s);
    EXPECT_EQ(mendedWordText(u"|"_s, 52, 52), u"|"_s);
    EXPECT_EQ(mendedWordText(u"||"_s, 4, 30), u"||"_s);
}
