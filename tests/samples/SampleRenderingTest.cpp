#include "samples/PageDegradation.h"
#include "samples/SampleFormLayout.h"
#include "samples/SampleSurveyRenderer.h"

#include <gtest/gtest.h>

namespace {

constexpr double kDpi = 150;

// Share of pixels darker than mid-grey inside `rect`.
double darkShare(const QImage& image, const QRectF& rect)
{
    const QRect area = rect.toAlignedRect() & image.rect();
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    }
    return area.isEmpty() ? 0 : double(dark) / (area.width() * area.height());
}

// A ticked box on the front, handwriting in question 10 on the back.
SampleAnswerSheet markedSheet()
{
    SampleAnswerSheet sheet;
    sheet.answers[0].chosen = {"Female"};
    sheet.answers[9].handwriting = true;
    sheet.answers[9].writtenText = "robots and data";
    return sheet;
}

} // namespace

TEST(SampleRendering, HandwritingFillsOnlyAnsweredWritingAreas)
{
    const FormPageLayout back = layoutSurveyPage(SurveySide::back, kDpi);
    const QImage page = renderSurveyPage(markedSheet(), SurveySide::back, {.dpi = kDpi});
    EXPECT_GT(darkShare(page, back.questions[2].writingArea), 0.005); // question 10
    EXPECT_EQ(darkShare(page, back.questions[5].writingArea), 0.0);   // question 13, blank
    EXPECT_EQ(darkShare(page, back.questions[6].writingArea), 0.0);   // question 14, blank
}

TEST(SampleRendering, ScannerDegradationsChangeThePageAsAScannerWould)
{
    const SampleRenderOptions clean{.dpi = kDpi};
    const QImage page = renderSurveyPage(markedSheet(), SurveySide::front, clean);

    SampleRenderOptions sideways = clean;
    sideways.quarterTurns = 1;
    const QImage turnedPage = renderSurveyPage(markedSheet(), SurveySide::front, sideways);
    EXPECT_EQ(turnedPage.size(), page.size().transposed());
    // Counter-clockwise: the top-right corner of the page comes to the top left.
    EXPECT_EQ(turnedPage.pixel(10, 20), page.pixel(page.width() - 21, 10));

    SampleRenderOptions upsideDown = clean;
    upsideDown.quarterTurns = 2;
    EXPECT_EQ(renderSurveyPage(markedSheet(), SurveySide::front, upsideDown),
              page.mirrored(true, true));

    const QImage noisy = withScannerNoise(page, 1.0, 3);
    EXPECT_EQ(noisy.size(), page.size());
    EXPECT_LT(qGray(noisy.pixel(5, 5)), 255); // grey paper
    EXPECT_NE(noisy, withScannerNoise(page, 1.0, 4));

    const QImage tilted = skewed(page, 1.2);
    EXPECT_EQ(tilted.size(), page.size());
    EXPECT_NE(tilted, page);
    EXPECT_EQ(skewed(page, 0), page);

    const QImage jpeg = jpegRoundTrip(page, 60);
    EXPECT_EQ(jpeg.format(), page.format());
    EXPECT_NE(jpeg, page);
}
