#include "ai/ApproximateReviewCrop.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

// 3300 > int(2550 x 1.18): a page lies sideways and is cut into vertical
// bands; otherwise into horizontal ones. Slots of 1100, widened by 80.
TEST(ApproximateReviewCrop, PagesAreCutIntoBandsAcrossTheirLongSide)
{
    const QSize landscape(3300, 2550), portrait(2550, 3300);
    EXPECT_EQ(approximateCropRect(landscape, 2, {3, 1, 2, 2}, 3), QRect(1020, 0, 1260, 2550));
    EXPECT_EQ(approximateCropRect(landscape, 1, {1, 2, 3}, 3), QRect(0, 0, 1180, 2550));
    EXPECT_EQ(approximateCropRect(portrait, 2, {1, 2, 3}, 3), QRect(0, 1020, 2550, 1260));
    // Not visible: the slot is the question number - 1; fourteen fields give fourteen slots.
    const QRect band = approximateCropRect(portrait, 5, {1, 2}, 14);
    EXPECT_EQ(band.top(), int(std::floor(4 * 3300.0 / 14 - 80)));
    EXPECT_EQ(band.width(), 2550);
    // A slot beyond the page gives nothing; under the sideways ratio stays portrait.
    EXPECT_TRUE(approximateCropRect(portrait, 9, {1, 2, 3}, 3).isEmpty());
    EXPECT_EQ(approximateCropRect(QSize(1170, 1000), 1, {}, 2).width(), 1170);
}

TEST(ApproximateReviewCrop, TallCropsAreTurnedTopEdgeToTheLeft)
{
    QImage tall(10, 40, QImage::Format_RGB32);
    tall.fill(Qt::white);
    tall.setPixelColor(0, 0, Qt::red);
    const QImage turned = orientReviewCrop(tall);
    EXPECT_EQ(turned.size(), QSize(40, 10));
    EXPECT_EQ(turned.pixelColor(0, 9), QColor(Qt::red));
    EXPECT_EQ(orientReviewCrop(QImage(10, 13, QImage::Format_RGB32)).size(), QSize(10, 13));

    // The written crop itself is checked where AI First uses it.
    QTemporaryDir dir;
    ScanPage page;
    page.fileURL = QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.png")));
    EXPECT_FALSE(approximateReviewCropURL(page, 2, {1, 2, 3}, 3, dir.path()).has_value());
}
