#include "reading/GrayscaleImageSampler.h"
#include "reading/OptionLocation.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
SurveyTemplateDefinition definitionWith(qint64 number, SurveyTemplateDefinition::QuestionKind kind,
                                        QStringList options)
{
    SurveyTemplateDefinition definition;
    definition.questions.insert(number, {u"Pick"_s, kind, options});
    return definition;
}

using Kind = SurveyTemplateDefinition::QuestionKind;

TEST(Words, NormalisedWordsAndPhrases)
{
    EXPECT_EQ(normalizedWords(u"Yes, in MATH!  5th"_s), (QStringList{"yes", "in", "math", "5th"}));
    EXPECT_TRUE(containsNormalizedPhrase(u"yes in math"_s, u"[] Yes, in Math"_s));
    EXPECT_FALSE(containsNormalizedPhrase(u"in math"_s, u"inmath"_s));
    EXPECT_FALSE(containsNormalizedPhrase(u"--"_s, u"-- x"_s));
    const auto range = normalizedPhraseRange(u"Yes in Math"_s, u"L] Yes, in Math now"_s);
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(range->first, 3);
    EXPECT_EQ(range->second, 12);
}

TEST(Labels, PatternNeedsTheLabelStandingAlone)
{
    const QRectF box(0, 0, 200, 20);
    // "No" inside "None" is not the label No.
    EXPECT_FALSE(approximateBounds(u"No"_s, u"None"_s, box));
    const auto yes = approximateBounds(u"Yes"_s, u"O Yes O No"_s, box);
    ASSERT_TRUE(yes.has_value());
    EXPECT_DOUBLE_EQ(yes->left(), 200.0 * 2 / 10);
    EXPECT_DOUBLE_EQ(yes->width(), 200.0 * 3 / 10);
    // A short label in a short line is at least 1.2 line heights wide.
    const auto no = approximateBounds(u"No"_s, u"O Yes O No"_s, QRectF(0, 0, 100, 40));
    ASSERT_TRUE(no.has_value());
    EXPECT_DOUBLE_EQ(no->left(), 80);
    EXPECT_DOUBLE_EQ(no->width(), 48);
}

TEST(Labels, WordFallbackFindsLabelsWithDifferentPunctuation)
{
    const QuestionRegion region{8, u"Career"_s, QRectF(0, 0, 2000, 500)};
    const auto definition = definitionWith(8, Kind::singleChoice, {"Yes, in Math", "Home/Private"});
    const QList<OptionCandidate> found =
        optionCandidates({{u"MW Yes in Math"_s, 0.9, QRectF(100, 100, 1400, 40)},
                          {u"Career"_s, 0.9, QRectF(100, 20, 300, 40)}},
                         region, definition);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].label, u"Yes, in Math"_s);
    EXPECT_DOUBLE_EQ(found[0].bounds.left(), 100 + 1400.0 * 3 / 14);
}

TEST(Candidates, SameLabelCloseTogetherIsOneFarApartTwo)
{
    const OptionCandidate a{u"Yes"_s, QRectF(100, 100, 60, 30)};
    const OptionCandidate near{u"yes"_s, QRectF(165, 100, 60, 30)};
    const OptionCandidate far{u"Yes"_s, QRectF(900, 100, 60, 30)};
    EXPECT_EQ(deduplicateCandidates({a, near}), (QList<OptionCandidate>{a}));
    EXPECT_EQ(deduplicateCandidates({a, far}).size(), 2);
}

TEST(Candidates, LongerLabelAbsorbsShorterOverlappingOne)
{
    const OptionCandidate some{u"SOME"_s, QRectF(300, 100, 80, 30)};
    const OptionCandidate longer{u"I had SOME support"_s, QRectF(200, 100, 400, 30)};
    EXPECT_EQ(deduplicateCandidates({some, longer}), (QList<OptionCandidate>{longer}));
    EXPECT_EQ(deduplicateCandidates({longer, some}).size(), 2);
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
} // namespace
