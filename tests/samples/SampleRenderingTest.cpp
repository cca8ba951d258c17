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

const FormOption& option(const FormPageLayout& layout, qint64 number, const QString& label)
{
    for (const FormQuestion& question : layout.questions) {
        for (const FormOption& candidate : question.options) {
            if (question.number == number && candidate.label == label)
                return candidate;
        }
    }
    throw std::runtime_error("no such option");
}

SampleAnswer marked(const QString& label, MarkStyle style)
{
    SampleAnswer answer;
    answer.chosen = {label};
    answer.style = style;
    return answer;
}

SampleAnswerSheet markedSheet()
{
    SampleAnswerSheet sheet;
    sheet.answers[0] = marked(QStringLiteral("Female"), MarkStyle::tick);
    sheet.answers[1] = marked(QStringLiteral("7th"), MarkStyle::circle);
    sheet.answers[4] = marked(QStringLiteral("No"), MarkStyle::filledBox);
    sheet.answers[5] = marked(QStringLiteral("Maybe"), MarkStyle::cross);
    sheet.answers[9].handwriting = true;
    sheet.answers[9].writtenText = QStringLiteral("robots and data");
    return sheet;
}

} // namespace

TEST(SampleRendering, MarksLandWhereTheAnswersAre)
{
    const FormPageLayout front = layoutSurveyPage(SurveySide::front, kDpi);
    const QImage page = renderSurveyPage(markedSheet(), SurveySide::front, {.dpi = kDpi});
    ASSERT_EQ(page.format(), QImage::Format_Grayscale8);
    ASSERT_EQ(page.size(), front.pageSize.toSize());

    const double emptyBox = darkShare(page, *option(front, 1, QStringLiteral("Male")).box);
    EXPECT_GT(emptyBox, 0.05); // the printed outline
    EXPECT_GT(darkShare(page, *option(front, 1, QStringLiteral("Female")).box), emptyBox + 0.05);
    EXPECT_GT(darkShare(page, *option(front, 6, QStringLiteral("Maybe")).box), emptyBox + 0.05);
    EXPECT_GT(darkShare(page, *option(front, 5, QStringLiteral("No")).box), 0.6);
    EXPECT_LT(darkShare(page, *option(front, 5, QStringLiteral("Yes")).box), emptyBox + 0.02);

    // A ring round "7th" darkens the paper around the label, not around "8th".
    auto around = [&](const QString& label) {
        const QRectF text = option(front, 2, label).labelRect;
        return darkShare(page, text.adjusted(-text.height(), -text.height() * 0.6, text.height(),
                                             text.height() * 0.6)) -
               darkShare(page, text);
    };
    EXPECT_GT(around(QStringLiteral("7th")), around(QStringLiteral("8th")) + 0.02);
}

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
