#include "reading/InkMeasurement.h"
#include "reading/MarkDetection.h"
#include "reading/OptionLocation.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {
SurveyTemplateDefinition definitionWith(qint64 number, SurveyTemplateDefinition::QuestionKind kind,
                                        QStringList options)
{
    SurveyTemplateDefinition definition;
    definition.questions.insert(number, {QStringLiteral("Pick"), kind, options});
    return definition;
}

using Kind = SurveyTemplateDefinition::QuestionKind;

TEST(Words, NormalisedWordsAndPhrases)
{
    EXPECT_EQ(normalizedWords(QStringLiteral("Yes, in MATH!  5th")),
              (QStringList{"yes", "in", "math", "5th"}));
    EXPECT_TRUE(
        containsNormalizedPhrase(QStringLiteral("yes in math"), QStringLiteral("[] Yes, in Math")));
    EXPECT_FALSE(containsNormalizedPhrase(QStringLiteral("in math"), QStringLiteral("inmath")));
    EXPECT_FALSE(containsNormalizedPhrase(QStringLiteral("--"), QStringLiteral("-- x")));
    const auto range =
        normalizedPhraseRange(QStringLiteral("Yes in Math"), QStringLiteral("L] Yes, in Math now"));
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(range->first, 3);
    EXPECT_EQ(range->second, 12);
}

TEST(Labels, PatternNeedsTheLabelStandingAlone)
{
    const QRectF box(0, 0, 200, 20);
    // "No" inside "None" is not the label No.
    EXPECT_FALSE(approximateBounds(QStringLiteral("No"), QStringLiteral("None"), box));
    const auto yes = approximateBounds(QStringLiteral("Yes"), QStringLiteral("O Yes O No"), box);
    ASSERT_TRUE(yes.has_value());
    EXPECT_DOUBLE_EQ(yes->left(), 200.0 * 2 / 10);
    EXPECT_DOUBLE_EQ(yes->width(), 200.0 * 3 / 10);
    // A short label in a short line is at least 1.2 line heights wide.
    const auto no = approximateBounds(QStringLiteral("No"), QStringLiteral("O Yes O No"),
                                      QRectF(0, 0, 100, 40));
    ASSERT_TRUE(no.has_value());
    EXPECT_DOUBLE_EQ(no->left(), 80);
    EXPECT_DOUBLE_EQ(no->width(), 48);
}

TEST(Labels, WordFallbackFindsLabelsWithDifferentPunctuation)
{
    const QuestionRegion region{8, QStringLiteral("Career"), QRectF(0, 0, 2000, 500)};
    const auto definition = definitionWith(8, Kind::singleChoice, {"Yes, in Math", "Home/Private"});
    const QList<OptionCandidate> found =
        optionCandidates({{QStringLiteral("MW Yes in Math"), 0.9, QRectF(100, 100, 1400, 40)},
                          {QStringLiteral("Career"), 0.9, QRectF(100, 20, 300, 40)}},
                         region, definition);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].label, QStringLiteral("Yes, in Math"));
    EXPECT_DOUBLE_EQ(found[0].bounds.left(), 100 + 1400.0 * 3 / 14);
}

TEST(Candidates, SameLabelCloseTogetherIsOneFarApartTwo)
{
    const OptionCandidate a{QStringLiteral("Yes"), QRectF(100, 100, 60, 30)};
    const OptionCandidate near{QStringLiteral("yes"), QRectF(165, 100, 60, 30)};
    const OptionCandidate far{QStringLiteral("Yes"), QRectF(900, 100, 60, 30)};
    EXPECT_EQ(deduplicateCandidates({a, near}), (QList<OptionCandidate>{a}));
    EXPECT_EQ(deduplicateCandidates({a, far}).size(), 2);
}

TEST(Candidates, LongerLabelAbsorbsShorterOverlappingOne)
{
    const OptionCandidate some{QStringLiteral("SOME"), QRectF(300, 100, 80, 30)};
    const OptionCandidate longer{QStringLiteral("I had SOME support"), QRectF(200, 100, 400, 30)};
    EXPECT_EQ(deduplicateCandidates({some, longer}), (QList<OptionCandidate>{longer}));
    EXPECT_EQ(deduplicateCandidates({longer, some}).size(), 2);
}

TEST(Threshold, UniformOrTooFewSamplesHaveNone)
{
    EXPECT_FALSE(adaptiveInkThreshold({0, 255, 0}));
    EXPECT_FALSE(adaptiveInkThreshold(QList<int>(50, 255)));
    // Solid ink is all dark, not empty.
    EXPECT_EQ(adaptiveInkThreshold(QList<int>(50, 0)), 128);
    EXPECT_EQ(adaptiveInkThreshold(QList<int>(50, 200)), std::nullopt);
    QList<int> samples(90, 250);
    samples.append(QList<int>(10, 20));
    // mid 250, dark10 250 -> uniform.
    EXPECT_FALSE(adaptiveInkThreshold(samples));
    samples.append(QList<int>(10, 20));
    // 110 samples: mid 250, dark10 (index 11) 20: spread 230, offset 42.
    EXPECT_EQ(adaptiveInkThreshold(samples), 208);
    QList<int> soft(80, 200);
    soft.append(QList<int>(20, 180));
    // spread 20, offset clamped up to 18.
    EXPECT_EQ(adaptiveInkThreshold(soft), 182);
}

GrayscaleImageSampler samplerFrom(const QImage& image)
{
    return *GrayscaleImageSampler::fromImage(image);
}

QImage whitePage(int w = 400, int h = 200)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

TEST(Density, WhiteIsEmptyBlackIsFullAndHalfFilledHasHalf)
{
    QImage page = whitePage();
    EXPECT_EQ(inkDensity(QRectF(10, 10, 100, 100), samplerFrom(page)), 0);
    page.fill(Qt::black);
    EXPECT_EQ(inkDensity(QRectF(10, 10, 100, 100), samplerFrom(page)), 1);
    // A box filled solid over three quarters of the measured square.
    page = whitePage();
    QPainter(&page).fillRect(10, 10, 87, 87, Qt::black);
    EXPECT_GT(inkDensity(QRectF(10, 10, 100, 100), samplerFrom(page)), 0.7);
    page = whitePage();
    QPainter(&page).fillRect(0, 0, 60, 200, Qt::black);
    const double half = inkDensity(QRectF(10, 10, 100, 100), samplerFrom(page));
    EXPECT_NEAR(half, 0.5, 0.05);
    // Excluding the dark half leaves a uniform area.
    EXPECT_EQ(inkDensity(QRectF(10, 10, 100, 100), samplerFrom(page), {QRectF(0, 0, 60, 200)}), 0);
    EXPECT_EQ(inkDensity(QRectF(500, 500, 10, 10), samplerFrom(page)), 0);
}

TEST(Sampler, TransparentIsWhite)
{
    QImage clear(10, 10, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const auto sampler = GrayscaleImageSampler::fromImage(clear);
    ASSERT_TRUE(sampler);
    EXPECT_EQ(sampler->luminance(5, 5), 255);
    EXPECT_FALSE(GrayscaleImageSampler::fromImage(QImage()));
}

MarkCandidateScore scoreOf(const char* label, double box, double ring)
{
    return {{QString::fromUtf8(label), QRectF(100, 100, 50, 20)},
            box,
            ring,
            QRectF(1, 1, 1, 1),
            QRectF(2, 2, 2, 2)};
}

TEST(Marks, BoxMarkWhenClearlyAboveTheUnmarkedLevel)
{
    const QList<DetectedMark> marks =
        marksFromScores({scoreOf("A", 0.30, 0), scoreOf("B", 0.10, 0)});
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(marks[0].label, QStringLiteral("A"));
    EXPECT_DOUBLE_EQ(marks[0].confidence, 0.98);
    EXPECT_EQ(marks[0].bounds, QRectF(1, 1, 1, 1));
}

TEST(Marks, RingMarkAndLoneLabel)
{
    const QList<DetectedMark> ring = marksFromScores(
        {scoreOf("A", 0.05, 0.03), scoreOf("B", 0.05, 0.01), scoreOf("C", 0.05, 0.01)});
    ASSERT_EQ(ring.size(), 1);
    EXPECT_EQ(ring[0].bounds, QRectF(2, 2, 2, 2));
    EXPECT_DOUBLE_EQ(ring[0].confidence, std::min(0.98, 14 * (0.03 + 0.02)));
    EXPECT_TRUE(marksFromScores({scoreOf("A", 0.9, 0.9)}).isEmpty());
}

TEST(Marks, MostBoxesTickedStillReadAgainstTheEmptiestBoxes)
{
    EXPECT_EQ(unmarkedLevel({}), 0);
    EXPECT_EQ(unmarkedLevel({0.4, 0.1, 0.3}), 0.1);
    // Eight labels: the second lowest, so one stray light box does not set it.
    EXPECT_EQ(unmarkedLevel({0.2, 0.0, 0.2, 0.2, 0.5, 0.2, 0.2, 0.2}), 0.2);

    // Two of three boxes ticked: against the median nothing would be marked.
    const QList<DetectedMark> two = marksFromScores(
        {scoreOf("Wanted", 0.34, 0), scoreOf("Required", 0.18, 0), scoreOf("Other", 0.36, 0)});
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(two[0].label, QStringLiteral("Wanted"));
    EXPECT_EQ(two[1].label, QStringLiteral("Other"));
    // Yes / No with the tick not yet twice as dark as the empty box.
    const QList<DetectedMark> yes =
        marksFromScores({scoreOf("Yes", 0.35, 0), scoreOf("No", 0.19, 0)});
    ASSERT_EQ(yes.size(), 1);
    EXPECT_EQ(yes[0].label, QStringLiteral("Yes"));
    // Every box alike: no mark, ticked or empty.
    const QList<MarkCandidateScore> allTicked{scoreOf("A", 0.55, 0), scoreOf("B", 0.48, 0),
                                              scoreOf("C", 0.6, 0)};
    EXPECT_TRUE(marksFromScores(allTicked).isEmpty());
    // Against the page's empty boxes every tick shows.
    EXPECT_EQ(marksFromScores(allTicked, 0.18).size(), 3);
    // The page's level never raises the question's own.
    EXPECT_EQ(marksFromScores({scoreOf("Yes", 0.35, 0), scoreOf("No", 0.19, 0)}, 0.3).size(), 1);
}

TEST(Marks, PageBoxLevelComesFromSquaresWithInk)
{
    EXPECT_FALSE(pageBoxLevel({}));
    // Circle questions' squares fall on blank paper (0) and do not count.
    EXPECT_FALSE(pageBoxLevel({{scoreOf("5th", 0, 0.2), scoreOf("6th", 0, 0)}}));
    const std::optional<double> level =
        pageBoxLevel({{scoreOf("5th", 0, 0.2), scoreOf("6th", 0, 0)},
                      {scoreOf("Yes", 0.5, 0), scoreOf("No", 0.18, 0)},
                      {scoreOf("A", 0.17, 0), scoreOf("B", 0.19, 0), scoreOf("C", 0.6, 0)}});
    ASSERT_TRUE(level);
    EXPECT_DOUBLE_EQ(*level, 0.18);
}

TEST(Marks, RingMustCloseRoundTheLabelNotReachInFromTheSide)
{
    const OptionCandidate other{QStringLiteral("Other"), QRectF(300, 200, 110, 33)};
    const auto scored = [&](const std::function<void(QPainter&)>& draw) {
        QImage page = whitePage(800, 400);
        QPainter painter(&page);
        painter.fillRect(other.bounds.adjusted(4, 4, -4, -4), Qt::black); // the print
        draw(painter);
        painter.end();
        return scoreCandidates({other}, *GrayscaleImageSampler::fromImage(page)).first();
    };
    const MarkCandidateScore ringed = scored([&](QPainter& painter) {
        painter.setPen(QPen(Qt::black, 5));
        painter.drawEllipse(other.bounds.adjusted(-20, -16, 20, 16));
    });
    EXPECT_TRUE(ringed.ringEncloses);
    EXPECT_GT(ringed.circleDensity, 0.016);
    // The filled box before the label and the printed write-in rule after
    // it, on its baseline: both reach into the ring area from the side.
    const MarkCandidateScore rule = scored([&](QPainter& painter) {
        painter.fillRect(QRectF(other.bounds.left() - 50, other.bounds.top() - 6, 45, 45),
                         Qt::black);
        painter.setPen(QPen(Qt::black, 3));
        painter.drawLine(QPointF(other.bounds.right() + 20, other.bounds.bottom() + 6),
                         QPointF(other.bounds.right() + 400, other.bounds.bottom() + 6));
    });
    EXPECT_FALSE(rule.ringEncloses);
    EXPECT_GT(rule.circleDensity, 0.016);
    // Judged as a ring alone (the filled box is a box mark in its own right).
    MarkCandidateScore sideOnly = rule;
    sideOnly.checkboxDensity = 0;
    EXPECT_TRUE(marksFromScores({sideOnly, scoreOf("Yes", 0, 0), scoreOf("No", 0, 0)}).isEmpty());
    MarkCandidateScore closed = sideOnly;
    closed.ringEncloses = true;
    EXPECT_EQ(marksFromScores({closed, scoreOf("Yes", 0, 0), scoreOf("No", 0, 0)}).size(), 1);
}

TEST(Marks, OneMarkPerLabelMostConfidentWins)
{
    const DetectedMark weak{QStringLiteral("Yes"), 0.6, QRectF(0, 0, 1, 1)};
    const DetectedMark other{QStringLiteral("No"), 0.7, QRectF(5, 0, 1, 1)};
    const DetectedMark strong{QStringLiteral("YES"), 0.9, QRectF(9, 0, 1, 1)};
    EXPECT_EQ(deduplicateMarks({weak, other, strong}), (QList<DetectedMark>{strong, other}));
}

TEST(Marks, SingleChoiceKeepsOnlyTheMostConfident)
{
    const QList<DetectedMark> two{{QStringLiteral("Yes"), 0.7, {}},
                                  {QStringLiteral("No"), 0.9, {}}};
    EXPECT_EQ(marksForQuestionKind(two, 5, definitionWith(5, Kind::singleChoice, {"Yes", "No"})),
              (QList<DetectedMark>{two[1]}));
    EXPECT_EQ(marksForQuestionKind(two, 5, definitionWith(5, Kind::multipleChoice, {"Yes", "No"})),
              two);
    EXPECT_EQ(marksForQuestionKind(two, 9, definitionWith(5, Kind::multipleChoice, {})).size(), 1);
}

TEST(UnreadInk, BlankAreaHasNoneAndAHeavyScribbleIsFound)
{
    QImage page = whitePage(1200, 400);
    const QRectF region(0, 0, 1200, 400);
    EXPECT_FALSE(detectUnreadInk(page, region, {}));
    {
        // The threshold needs a tenth of the samples dark.
        QPainter painter(&page);
        painter.setPen(QPen(Qt::black, 24));
        for (int y = 140; y <= 260; y += 40)
            painter.drawLine(300, y, 900, y + 20);
    }
    const auto ink = detectUnreadInk(page, region, {});
    ASSERT_TRUE(ink.has_value());
    EXPECT_NEAR(ink->bounds.left(), 290, 12);
    EXPECT_NEAR(ink->bounds.right(), 910, 12);
    EXPECT_DOUBLE_EQ(ink->confidence, std::min(0.92, 0.35 + 80 * ink->inkRatio));
    // The same ink inside a recognised line's box is explained text.
    EXPECT_FALSE(detectUnreadInk(page, region, {QRectF(280, 120, 640, 180)}));
}

TEST(UnreadInk, SeventeenDarkSamplesAreIgnoredEighteenSpanningNineteenPixelsCount)
{
    // The searched area is 20 x 7 pixels, sampled at every pixel: 168 samples.
    QImage page = whitePage(40, 30);
    const QRectF region(0, 0, 36, 23);
    for (int x = 8; x <= 16; ++x)
        page.setPixel(x, 10, qRgb(0, 0, 0));
    for (int x = 20; x <= 27; ++x)
        page.setPixel(x, 12, qRgb(0, 0, 0));
    EXPECT_FALSE(detectUnreadInk(page, region, {}));
    page.setPixel(28, 12, qRgb(0, 0, 0));
    const auto ink = detectUnreadInk(page, region, {});
    ASSERT_TRUE(ink.has_value());
    EXPECT_EQ(ink->bounds, QRectF(8, 10, 20, 2));
    EXPECT_DOUBLE_EQ(ink->inkRatio, 18.0 / 168);
}
} // namespace
