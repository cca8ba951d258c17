#include "reading/Orientation.h"
#include "reading/PageImages.h"

#include <QFont>
#include <QPainter>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A letter page at 150 dpi with `lines` lines of print, turned by `degrees` the way
// a page fed askew lies on the glass.
QImage printedPage(double degrees, int lines = 30, QColor paper = Qt::white)
{
    QImage flat(1275, 1650, QImage::Format_RGB32);
    flat.fill(paper);
    QPainter painter(&flat);
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(22);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int line = 0; line < lines; ++line)
        painter.drawText(120, 150 + line * 45,
                         u"%1. Previous field trips, and science activities/interest"_s.arg(line));
    painter.end();
    return straightenedImage(flat, degrees);
}

} // namespace

TEST(PageSkew, TiltOfThePrintIsMeasuredAndLevelled)
{
    EXPECT_NEAR(printSkewDegrees(printedPage(0)), 0, 0.051);
    for (const double tilt : {1.3, -0.6, 2.4}) {
        const QImage askew = printedPage(tilt);
        const double measured = printSkewDegrees(askew);
        EXPECT_NEAR(measured, tilt, 0.1) << tilt;
        EXPECT_NEAR(printSkewDegrees(straightenedImage(askew, -measured)), 0, 0.1) << tilt;
    }
}

TEST(PageSkew, LevelEnoughOrBlankPagesStayAsTheyAre)
{
    const QImage page = printedPage(0);
    EXPECT_EQ(straightenedImage(page, 0.1).constBits(), page.constBits());
    QImage blank(600, 800, QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_EQ(printSkewDegrees(blank), 0);
    EXPECT_EQ(printSkewDegrees(QImage()), 0);
    // The corners a turn uncovers are the page's own paper, white or grey,
    // not ink nor an edge that could pass for a pencil stroke.
    const QImage turned = straightenedImage(page, 2);
    EXPECT_EQ(turned.size(), page.size());
    EXPECT_EQ(turned.pixelColor(1, 1), QColor(Qt::white));
    const QColor grey(204, 203, 196);
    const QImage turnedGrey = straightenedImage(printedPage(0, 30, grey), 2);
    EXPECT_EQ(turnedGrey.pixelColor(1, 1), grey);
    EXPECT_EQ(turnedGrey.pixelColor(turnedGrey.width() - 2, turnedGrey.height() - 2), grey);
}

TEST(PageSkew, PrintLinesTellWhichWayThePageLies)
{
    const QImage page = printedPage(1.3);
    EXPECT_EQ(printAxis(page), PrintAxis::across);
    EXPECT_EQ(printAxis(*rotatedImage(page, 2)), PrintAxis::across);
    EXPECT_EQ(printAxis(*rotatedImage(page, 1)), PrintAxis::down);
    EXPECT_EQ(printAxis(*rotatedImage(page, 3)), PrintAxis::down);
    // Too little print to tell: every turn is then tried.
    const QImage sparse = printedPage(0, 1);
    EXPECT_EQ(printAxis(sparse), PrintAxis::unclear);
    EXPECT_EQ(printAxis(QImage()), PrintAxis::unclear);
}

TEST(PageSkew, BluePenIsWashedOutForRecognitionButColouredPrintIsKept)
{
    // Grey paper, black print, a blue ball-point ring through the words.
    QImage page = printedPage(0);
    QPainter painter(&page);
    painter.setPen(QPen(QColor(35, 60, 150), 5));
    painter.drawEllipse(QRect(100, 130, 400, 40));
    painter.end();
    const QImage grey = recognitionGrey(page);
    ASSERT_EQ(grey.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(qGray(grey.pixel(300, 130)), 255); // the ring's top is paper
    int dark = 0;
    for (int x = 120; x < 900; ++x)
        dark += qGray(grey.pixel(x, 142)) < 128;
    EXPECT_GT(dark, 20); // the print through the ring stays

    // A form printed in blue keeps its print: most of its dark ink is coloured.
    QImage blue(400, 200, QImage::Format_RGB32);
    blue.fill(Qt::white);
    QPainter bluePainter(&blue);
    bluePainter.fillRect(QRect(50, 50, 300, 100), QColor(20, 40, 160));
    bluePainter.end();
    EXPECT_LT(qGray(recognitionGrey(blue).pixel(200, 100)), 128);
    EXPECT_TRUE(recognitionGrey(QImage()).isNull());
    // A transparent page is paper, not black.
    QImage clear(40, 40, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    EXPECT_EQ(qGray(recognitionGrey(clear).pixel(20, 20)), 255);
}
