#include "model/SurveyTemplateDefinition.h"
#include "samples/PageDegradation.h"
#include "samples/SampleAnswerSheet.h"
#include "samples/SampleFormLayout.h"
#include "samples/SampleSet.h"
#include "samples/SampleSurveyRenderer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Kind = SurveyTemplateDefinition::QuestionKind;
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

TEST(SampleAnswerSheet, RandomSheetsAreReproducibleAndVaried)
{
    EXPECT_EQ(randomAnswerSheet(3, 42), randomAnswerSheet(3, 42));
    EXPECT_NE(randomAnswerSheet(3, 42), randomAnswerSheet(3, 43));
    EXPECT_NE(randomAnswerSheet(3, 42), randomAnswerSheet(4, 42));

    const auto& questions = SurveyTemplateDefinition::krdaQuestions();
    int blanks = 0, multiTicks = 0, handwritten = 0;
    for (int survey = 1; survey <= 60; ++survey) {
        const SampleAnswerSheet sheet = randomAnswerSheet(survey, 7);
        ASSERT_EQ(sheet.answers.size(), 14);
        for (qint64 n = 1; n <= 14; ++n) {
            const SampleAnswer& answer = sheet.answers.at(n - 1);
            for (const QString& label : answer.chosen)
                EXPECT_TRUE(questions.value(n).options.contains(label)) << label.toStdString();
            if (questions.value(n).kind == Kind::singleChoice) {
                EXPECT_LE(answer.chosen.size(), 1);
            }
            if (!answer.chosen.isEmpty() && (n == 2 || n == 4)) { // printed without boxes
                EXPECT_EQ(answer.style, MarkStyle::circle);
            }
            blanks += answer.chosen.isEmpty() && !answer.handwriting;
            multiTicks += answer.chosen.size() > 1;
            handwritten += answer.handwriting;
        }
    }
    EXPECT_GT(blanks, 0);
    EXPECT_GT(multiTicks, 0);
    EXPECT_GT(handwritten, 0);
}

TEST(SampleAnswerSheet, ExpectedAnswersFollowTheReadersRulesAndMatchInAnyOrder)
{
    SampleAnswerSheet sheet = markedSheet();
    // Ticked in any order, listed in template order.
    sheet.answers[10].chosen = {"Teamwork", "Problem solving"};
    sheet.answers[7].chosen = {"Yes, in Math"};
    const QStringList cells = expectedAnswers(sheet);
    ASSERT_EQ(cells.size(), 14);
    EXPECT_EQ(cells[0], "Female");
    EXPECT_EQ(cells[1], "N/A");
    EXPECT_EQ(cells[7], "Yes, in Math");
    EXPECT_EQ(cells[9], "Handwritten answer needs review");
    EXPECT_EQ(cells[10], "Problem solving; Teamwork");

    EXPECT_TRUE(answerMatches("Writing; Learning", "Learning; Writing"));
    EXPECT_TRUE(answerMatches("N/A", " N/A "));
    EXPECT_FALSE(answerMatches("Writing; Learning", "Writing"));
    EXPECT_FALSE(answerMatches("N/A", "Yes"));
}

// The classic form: one to seven on the front, eight to fourteen on the
// back, with the template's labels and a box left of each, level with it.
TEST(SampleFormLayout, ClassicFormPrintsTheTemplatesChoices)
{
    const auto& template_ = SurveyTemplateDefinition::krdaQuestions();
    for (SurveySide side : {SurveySide::front, SurveySide::back}) {
        const FormPageLayout layout = layoutSurveyPage(side, 300);
        EXPECT_EQ(layout.pageSize, QSizeF(2550, 3300));
        ASSERT_EQ(layout.questions.size(), 7);
        for (const FormQuestion& question : layout.questions) {
            const qint64 number = question.number;
            EXPECT_EQ(number <= 7, side == SurveySide::front) << number;
            QStringList labels;
            for (const FormOption& option : question.options) {
                labels.append(option.label);
                // "Circle one" questions have no boxes.
                ASSERT_EQ(option.box.has_value(), number != 2 && number != 4) << number;
                if (option.box) {
                    EXPECT_LT(option.box->right(), option.labelRect.left());
                    EXPECT_GT(option.box->right(), option.labelRect.left() - 40);
                    EXPECT_GT(option.box->center().y(), option.labelRect.top());
                    EXPECT_LT(option.box->center().y(), option.labelRect.bottom());
                }
            }
            EXPECT_EQ(labels, template_.value(number).options) << number;
            EXPECT_EQ(question.writingArea.isValid(), template_.value(number).options.isEmpty());
        }
    }
}

TEST(SampleSet, StacksComeInTheScannersOrderAndAFolderThatCannotBeMadeIsReported)
{
    using S = SurveySide;
    const auto order = [](SampleStackOrder stackOrder) {
        QList<QPair<qint64, SurveySide>> result;
        for (const SampleSetPage& page : makeSampleSet(2, 1, 100, false, stackOrder).pages)
            result.append({page.surveyNumber, page.side});
        return result;
    };
    EXPECT_EQ(order(SampleStackOrder::duplex),
              (QList<QPair<qint64, S>>{{1, S::front}, {1, S::back}, {2, S::front}, {2, S::back}}));
    EXPECT_EQ(order(SampleStackOrder::manual),
              (QList<QPair<qint64, S>>{{1, S::front}, {2, S::front}, {1, S::back}, {2, S::back}}));
    EXPECT_EQ(order(SampleStackOrder::singleSided),
              (QList<QPair<qint64, S>>{{1, S::front}, {2, S::front}}));

    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const SampleSet set = makeSampleSet(1, 1, 72, false, SampleStackOrder::singleSided);
    EXPECT_THROW(writeSampleSet(set, blocker.fileName() + "/inside"), SampleWriteError);
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

    SampleRenderOptions turned = clean;
    turned.quarterTurns = 1;
    const QImage sideways = renderSurveyPage(markedSheet(), SurveySide::front, turned);
    EXPECT_EQ(sideways.size(), page.size().transposed());
    // Counter-clockwise: the top-right corner of the page comes to the top left.
    EXPECT_EQ(sideways.pixel(10, 20), page.pixel(page.width() - 21, 10));
    turned.quarterTurns = 2;
    EXPECT_EQ(renderSurveyPage(markedSheet(), SurveySide::front, turned),
              page.mirrored(true, true));

    const QImage noisy = withScannerNoise(page, 1.0, 3);
    EXPECT_LT(qGray(noisy.pixel(5, 5)), 255); // grey paper
    EXPECT_NE(noisy, withScannerNoise(page, 1.0, 4));
    EXPECT_NE(skewed(page, 1.2), page);
    EXPECT_EQ(skewed(page, 0), page);
    EXPECT_NE(jpegRoundTrip(page, 60), page);
}
