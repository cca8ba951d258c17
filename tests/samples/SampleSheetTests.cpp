#include "TestSupport.h"
#include "model/SurveyTemplateDefinition.h"
#include "samples/PageDegradation.h"
#include "samples/SampleAnswerSheet.h"
#include "samples/SampleFonts.h"
#include "samples/SampleFormLayout.h"
#include "samples/SampleSet.h"
#include "samples/SampleSurveyRenderer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
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

SampleSet stack(SampleStackKind kind, int surveys, quint32 seed)
{
    return makeSampleStack({.kind = kind, .surveyCount = surveys, .seed = seed});
}

bool isSerif(const QString& family)
{
    for (const SampleFontFamily& entry : sampleFontFamilies()) {
        if (entry.family == family)
            return entry.serif;
    }
    return false;
}

// Pen ink: where the filled-in page differs from the blank form.
struct Ink
{
    QImage filled;
    QImage blank;

    // The levels of the inked pixels in `rect`; on bare paper only, if asked
    // (ink over print only darkens the print).
    QList<int> levels(const QRectF& rect, bool bareOnly = false) const
    {
        QList<int> found;
        const QRect area = rect.toAlignedRect() & filled.rect();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const int paper = qGray(blank.pixel(x, y)), ink = qGray(filled.pixel(x, y));
                if (qAbs(ink - paper) > 40 && (!bareOnly || paper > 240))
                    found.append(ink);
            }
        }
        return found;
    }

    double shareIn(const QRectF& rect) const
    {
        const QRect area = rect.toAlignedRect() & filled.rect();
        return area.isEmpty() ? 0 : double(levels(rect).size()) / (area.width() * area.height());
    }
};

} // namespace

TEST(SampleAnswerSheet, RandomSheetsAreValidVariedAndExpectedAsTheReaderReads)
{
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

    SampleAnswerSheet sheet = markedSheet();
    // Ticked in any order, listed in template order.
    sheet.answers[10].chosen = {"Teamwork", "Problem solving"};
    sheet.answers[7].chosen = {"Yes, in Math"};
    const QString na = "N/A";
    EXPECT_EQ(expectedAnswers(sheet), (QStringList{"Female", na, na, na, na, na, na, "Yes, in Math",
                                                   na, "Handwritten answer needs review",
                                                   "Problem solving; Teamwork", na, na, na}));

    EXPECT_TRUE(answerMatches("Writing; Learning", "Learning; Writing"));
    EXPECT_TRUE(answerMatches("N/A", " N/A "));
    EXPECT_FALSE(answerMatches("Writing; Learning", "Writing"));
    EXPECT_FALSE(answerMatches("N/A", "Yes"));
}

TEST(SampleSet, StacksAreWrittenInTheScannersOrderWithTheirGroundTruthAndReproducibly)
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
    testsupport::writeBytes(dir.filePath("file"), "");
    const SampleSet set = makeSampleSet(1, 1, 72, false, SampleStackOrder::singleSided);
    EXPECT_THROW(writeSampleSet(set, dir.filePath("file/inside")), SampleWriteError);

    // Page files and the ground truth naming each cell's mark and the stack's print.
    const SampleSet mixed =
        makeSampleStack({.kind = SampleStackKind::mixed, .surveyCount = 2, .seed = 9, .dpi = 72});
    const QStringList paths = writeSampleSet(mixed, dir.filePath("nested"));
    ASSERT_EQ(paths.size(), 4);
    EXPECT_TRUE(paths[0].endsWith("/nested/page-01.png"));
    EXPECT_EQ(QImage(paths[3]).size(), QSize(612, 792));

    const QJsonObject survey = QJsonDocument::fromJson(testsupport::readBytes(
        dir.filePath("nested/ground-truth.json")))["surveys"][1]
                                   .toObject();
    EXPECT_EQ(survey["form"]["font"].toString(), surveyPrint(mixed, 2).form.family);
    EXPECT_EQ(survey["pen"].toString(), penName(mixed.sheets[1].pen));
    for (int i = 0; i < 14; ++i) {
        const SampleAnswer& answer = mixed.sheets[1].answers[i];
        const QJsonValue cell = survey["questions"][i];
        EXPECT_EQ(cell["truth"].toString(), expectedAnswers(mixed.sheets[1])[i]);
        if (!answer.chosen.isEmpty()) {
            EXPECT_EQ(cell["markStyle"].toString(), markStyleName(answer.style));
        }
    }

    const QStringList csv =
        testsupport::readText(dir.filePath("nested/ground-truth.csv")).split('\n');
    EXPECT_EQ(csv[0].split(',').mid(0, 3), (QStringList{"survey_id", "Q1", "Q2"}));
    EXPECT_EQ(csv[0].split(',').value(15), "Q1 mark");
    EXPECT_TRUE(csv[1].startsWith("1," + expectedAnswers(mixed.sheets[0])[0]));

    EXPECT_EQ(randomAnswerSheet(3, 42), randomAnswerSheet(3, 42));
    EXPECT_NE(randomAnswerSheet(3, 42), randomAnswerSheet(3, 43));
    EXPECT_NE(randomAnswerSheet(3, 42), randomAnswerSheet(4, 42));
    const auto prints = [](const SampleSet& set) {
        return testsupport::mapped(set.pages, &SampleSetPage::options);
    };
    for (SampleStackKind kind : {SampleStackKind::mixed, SampleStackKind::oneForm}) {
        SCOPED_TRACE(stackKindName(kind).toStdString());
        const SampleSet a = stack(kind, 3, 77), b = stack(kind, 3, 77);
        EXPECT_EQ(a.sheets, b.sheets);
        EXPECT_NE(a.sheets, stack(kind, 3, 78).sheets);
        EXPECT_EQ(prints(a), prints(b));
        SampleRenderOptions small = a.pages[1].options;
        small.dpi = 100;
        EXPECT_EQ(renderSurveyPage(a.sheets[0], a.pages[1].side, small),
                  renderSurveyPage(b.sheets[0], b.pages[1].side, small));
    }
}

TEST(SampleRendering, HandwritingFillsOnlyAnsweredAreasAndScannerDegradationsActAsAScanner)
{
    const FormPageLayout back = layoutSurveyPage(SurveySide::back, kDpi);
    const QImage written = renderSurveyPage(markedSheet(), SurveySide::back, {.dpi = kDpi});
    EXPECT_GT(darkShare(written, back.questions[2].writingArea), 0.005); // question 10
    EXPECT_EQ(darkShare(written, back.questions[5].writingArea), 0.0);   // question 13, blank
    EXPECT_EQ(darkShare(written, back.questions[6].writingArea), 0.0);   // question 14, blank

    const QImage page = renderSurveyPage(markedSheet(), SurveySide::front, {.dpi = kDpi});
    SampleRenderOptions turned{.dpi = kDpi, .quarterTurns = 1};
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

// Each mark lands where a person would put it: in the box, round the label
// (or box and label), or just left of a bare label.
TEST(SampleMarks, EachStyleInksWhereItBelongs)
{
    enum Where
    {
        inBox,
        round,
        roundBoxToo,
        leftOfLabel
    };
    const struct
    {
        MarkStyle style;
        bool boxes;
        Where where;
    } rows[] = {{MarkStyle::tick, true, inBox},
                {MarkStyle::cross, true, inBox},
                {MarkStyle::filledBox, true, inBox},
                {MarkStyle::scribble, true, inBox},
                {MarkStyle::circle, true, round},
                {MarkStyle::circle, false, round},
                {MarkStyle::tightCircle, true, round},
                {MarkStyle::tightCircle, false, round},
                {MarkStyle::circleBoxAndLabel, true, roundBoxToo},
                {MarkStyle::tickBeforeLabel, false, leftOfLabel},
                {MarkStyle::crossBeforeLabel, false, leftOfLabel}};
    int seed = 0;
    for (const auto& row : rows) {
        for (PenKind pen : {PenKind::blueBallpoint, PenKind::blackBallpoint, PenKind::pencil}) {
            SCOPED_TRACE(testing::Message()
                         << markStyleName(row.style).toStdString() << " with "
                         << penName(pen).toStdString() << (row.boxes ? ", boxes" : ", bare"));
            // A varied print run with every choice question boxed or every
            // one bare, and a steady hand marking three questions.
            QRandomGenerator random(++seed);
            FormStyle form = randomFormStyle(random, kDpi);
            for (QuestionPrint& print : form.questions)
                print.boxes = row.boxes;
            SampleAnswerSheet sheet{.pen = pen, .tremor = 0.6, .overshoot = 0.5};
            for (const auto& [index, label] :
                 {std::pair{0, "Prefer not to answer"}, {4, "No"}, {5, "Maybe"}}) {
                sheet.answers[index].chosen = {label};
                sheet.answers[index].style = row.style;
            }
            const Ink ink{renderSurveyPage(sheet, SurveySide::front,
                                           {.dpi = kDpi, .form = form, .seed = quint32(seed)}),
                          renderBlankSurveyPage(SurveySide::front, kDpi, form)};
            for (const FormQuestion& question :
                 layoutSurveyPage(SurveySide::front, kDpi, form).questions) {
                for (const FormOption& option : question.options) {
                    const bool marked =
                        sheet.answers[question.number - 1].chosen.contains(option.label);
                    const QRectF label = option.labelRect;
                    const double h = label.height();
                    if (!marked) {
                        // Unmarked choices stay clean, box and label alike.
                        EXPECT_EQ(ink.shareIn(label.adjusted(h * 0.3, h * 0.3, -h * 0.3, -h * 0.3)),
                                  0.0)
                            << option.label.toStdString();
                        continue;
                    }
                    SCOPED_TRACE(option.label.toStdString());
                    // Pencil is a light grey, ball-point nearly black: the fifth-darkest pixel
                    // in a hundred of the ink on bare paper.
                    QList<int> levels = ink.levels(label.adjusted(-3 * h, -h, h, h), true);
                    std::sort(levels.begin(), levels.end());
                    const int level = levels.isEmpty() ? 255 : levels[levels.size() / 20];
                    EXPECT_TRUE(pen == PenKind::pencil ? level > 90 : level < 90) << level;
                    if (row.where == inBox) {
                        EXPECT_GT(ink.shareIn(*option.box), 0.08);
                        continue;
                    }
                    if (row.where == leftOfLabel) {
                        EXPECT_GT(ink.shareIn({label.left() - h * 1.2, label.top(), h * 1.2, h}),
                                  0.02);
                        continue;
                    }
                    // A ring: ink left and right of what it rings, none across its middle.
                    const QRectF target = row.where == roundBoxToo ? label | *option.box : label;
                    const double cy = target.center().y(), w = target.width();
                    EXPECT_GT(ink.shareIn({target.left() - 2 * h, cy - 0.3 * h, 2 * h, 0.6 * h}),
                              0);
                    EXPECT_GT(ink.shareIn({target.right(), cy - 0.3 * h, 2 * h, 0.6 * h}), 0);
                    EXPECT_EQ(
                        ink.shareIn({target.left() + w * 0.1, cy - 0.15 * h, w * 0.8, 0.3 * h}), 0);
                }
            }
        }
    }
}

TEST(SampleStack, StacksVaryThePrintTheScanAndTheHandAsTheirKindAllows)
{
    // A one-form stack shares one print run while hands and scans differ.
    const SampleSet oneForm = stack(SampleStackKind::oneForm, 8, 31);
    ASSERT_EQ(oneForm.pages.size(), 16);
    const SampleRenderOptions first = oneForm.pages.first().options;
    EXPECT_FALSE(first.form.isClassic());
    QSet<QString> hands;
    QSet<double> skews;
    QSet<QStringList> answers;
    for (const SampleSetPage& page : oneForm.pages) {
        EXPECT_EQ(page.options.form, first.form);
        skews.insert(page.options.skewDegrees);
    }
    for (const SampleAnswerSheet& sheet : oneForm.sheets) {
        hands.insert(penName(sheet.pen) + QString::number(sheet.tremor));
        answers.insert(expectedAnswers(sheet));
    }
    EXPECT_EQ(hands.size(), 8);
    EXPECT_GT(answers.size(), 6);
    EXPECT_GT(skews.size(), 8);

    // A mixed stack is only worth reading if it varies what real print runs and
    // scanners vary; a generator that collapsed to one look would pass silently.
    // Respondents mark as the form allows: bare labels have no box to tick,
    // fill or ring with its label.
    const SampleSet set = stack(SampleStackKind::mixed, 24, 5);
    QSet<QString> families, arrangements;
    QSet<double> dpis;
    QSet<bool> serif, boxes, colour, jpeg;
    QSet<int> turns, boxedStyles, bareStyles, pens;
    int ambiguous = 0, blanks = 0;
    for (const SampleAnswerSheet& sheet : set.sheets) {
        const SampleRenderOptions print = surveyPrint(set, sheet.surveyNumber);
        families.insert(print.form.family);
        serif.insert(isSerif(print.form.family));
        dpis.insert(print.dpi);
        for (SurveySide side : {SurveySide::front, SurveySide::back}) {
            for (const FormQuestion& question :
                 layoutSurveyPage(side, print.dpi, print.form).questions) {
                if (!question.options.isEmpty()) {
                    arrangements.insert(arrangementName(question.arrangement));
                    boxes.insert(question.options.first().box.has_value());
                }
            }
        }
        pens.insert(int(sheet.pen));
        ambiguous += int(expectedAnswers(sheet).count(QStringLiteral("AMBIGUOUS")));
        for (qint64 n = 1; n <= 14; ++n) {
            const SampleAnswer& answer = sheet.answers[n - 1];
            blanks += answer.chosen.isEmpty() && !answer.handwriting ? 1 : 0;
            if (!answer.chosen.isEmpty())
                (print.form.printsBoxes(n) ? boxedStyles : bareStyles).insert(int(answer.style));
        }
    }
    double widestSkew = 0;
    for (const SampleSetPage& page : set.pages) {
        turns.insert(page.options.quarterTurns);
        colour.insert(page.options.colour);
        jpeg.insert(page.options.jpegQuality > 0);
        widestSkew = qMax(widestSkew, qAbs(page.options.skewDegrees));
    }
    EXPECT_GE(families.size(), 5);
    EXPECT_EQ(serif.size(), 2);
    EXPECT_EQ(dpis, (QSet<double>{200, 300}));
    EXPECT_EQ(arrangements.size(), 4);
    EXPECT_EQ(boxes.size(), 2);
    EXPECT_GE(turns.size(), 3);
    EXPECT_EQ(colour.size(), 2);
    EXPECT_EQ(jpeg.size(), 2);
    EXPECT_GT(widestSkew, 1.0);
    EXPECT_LE(widestSkew, 1.5);
    using M = MarkStyle;
    EXPECT_EQ(boxedStyles,
              (QSet<int>{int(M::tick), int(M::cross), int(M::filledBox), int(M::scribble),
                         int(M::circle), int(M::tightCircle), int(M::circleBoxAndLabel)}));
    EXPECT_EQ(bareStyles, (QSet<int>{int(M::circle), int(M::tightCircle), int(M::tickBeforeLabel),
                                     int(M::crossBeforeLabel)}));
    EXPECT_EQ(pens.size(), 3);
    EXPECT_GT(ambiguous, 1);
    EXPECT_GT(blanks, 4);
}

// Every print run, the classic one too, prints the template's questions and
// labels, one to seven on the front and eight to fourteen on the back, each
// label inside the page and clear of its question's other labels and boxes,
// a box left of its label and level with it; questions do not overlap.
TEST(SampleFormLayout, EveryFormPrintsTheTemplatesLabelsClearOfEachOther)
{
    const auto& template_ = SurveyTemplateDefinition::krdaQuestions();
    for (quint32 seed = 1; seed <= 5; ++seed) {
        const SampleSet set = stack(seed == 5   ? SampleStackKind::classic
                                    : seed <= 2 ? SampleStackKind::mixed
                                                : SampleStackKind::oneForm,
                                    10, seed);
        for (const SampleAnswerSheet& sheet : set.sheets) {
            const SampleRenderOptions print = surveyPrint(set, sheet.surveyNumber);
            const QRectF page(0, 0, 8.5 * print.dpi, 11 * print.dpi);
            QMap<qint64, FormQuestion> questions;
            for (SurveySide side : {SurveySide::front, SurveySide::back}) {
                const FormPageLayout layout = layoutSurveyPage(side, print.dpi, print.form);
                EXPECT_EQ(layout.pageSize, page.size());
                ASSERT_EQ(layout.questions.size(), 7);
                for (const FormQuestion& question : layout.questions) {
                    EXPECT_EQ(question.number <= 7, side == SurveySide::front) << question.number;
                    questions.insert(question.number, question);
                }
            }
            for (qint64 n = 1; n <= 14; ++n) {
                const FormQuestion& question = questions[n];
                SCOPED_TRACE(testing::Message()
                             << "seed " << seed << " survey " << sheet.surveyNumber << " Q" << n);
                QStringList labels;
                QList<QRectF> taken;
                for (const FormOption& option : question.options) {
                    labels.append(option.label);
                    EXPECT_TRUE(page.contains(option.labelRect));
                    // The classic form's "circle one" questions have no boxes.
                    ASSERT_EQ(option.box.has_value(), print.form.isClassic()
                                                          ? n != 2 && n != 4
                                                          : print.form.printsBoxes(n));
                    if (option.box) {
                        EXPECT_LT(option.box->right(), option.labelRect.left());
                        EXPECT_GT(option.box->right(), option.labelRect.left() - print.dpi / 7.5);
                        EXPECT_GT(option.box->center().y(), option.labelRect.top());
                        EXPECT_LT(option.box->center().y(), option.labelRect.bottom());
                    }
                    const QRectF printedRect =
                        option.box ? option.labelRect | *option.box : option.labelRect;
                    for (const QRectF& other : taken)
                        EXPECT_FALSE(printedRect.intersects(other));
                    taken.append(printedRect);
                }
                EXPECT_EQ(labels, template_.value(n).options);
                EXPECT_EQ(question.writingArea.isValid(), labels.isEmpty());
                for (const QString& label : sheet.answers[n - 1].chosen)
                    EXPECT_TRUE(labels.contains(label)) << label.toStdString();
                if (n != 7 && n != 14) {
                    for (const QRectF& rect : taken)
                        EXPECT_LT(rect.bottom(), questions[n + 1].heading.first().rect.top());
                }
            }
        }
    }
}
