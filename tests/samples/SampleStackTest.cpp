#include "TestSupport.h"
#include "model/SurveyTemplateDefinition.h"
#include "samples/SampleFonts.h"
#include "samples/SampleSet.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>

namespace {

SampleSet stack(SampleStackKind kind, int surveys, quint32 seed, bool degraded = true)
{
    return makeSampleStack(
        {.kind = kind, .surveyCount = surveys, .seed = seed, .degraded = degraded});
}

QMap<qint64, FormQuestion> printed(const SampleRenderOptions& print)
{
    QMap<qint64, FormQuestion> questions;
    for (SurveySide side : {SurveySide::front, SurveySide::back}) {
        for (const FormQuestion& question : layoutSurveyPage(side, print.dpi, print.form).questions)
            questions.insert(question.number, question);
    }
    return questions;
}

bool isSerif(const QString& family)
{
    for (const SampleFontFamily& entry : sampleFontFamilies()) {
        if (entry.family == family)
            return entry.serif;
    }
    return false;
}

} // namespace

TEST(SampleStack, OneFormStacksShareOnePrintRunWhileHandsAndScansDiffer)
{
    const SampleSet set = stack(SampleStackKind::oneForm, 8, 31);
    ASSERT_EQ(set.pages.size(), 16);
    const SampleRenderOptions first = set.pages.first().options;
    EXPECT_FALSE(first.form.isClassic());
    QSet<QString> pens;
    QSet<double> skews;
    QSet<QStringList> answers;
    for (const SampleSetPage& page : set.pages) {
        EXPECT_EQ(page.options.form, first.form);
        skews.insert(page.options.skewDegrees);
    }
    for (const SampleAnswerSheet& sheet : set.sheets) {
        pens.insert(penName(sheet.pen) + QString::number(sheet.tremor));
        answers.insert(expectedAnswers(sheet));
    }
    EXPECT_EQ(pens.size(), 8);
    EXPECT_GT(answers.size(), 6);
    EXPECT_GT(skews.size(), 8);
}

// A mixed stack is only worth reading if it varies what real print runs and
// scanners vary; a generator that collapsed to one look would pass silently.
TEST(SampleStack, MixedStacksVaryThePrintAndTheScan)
{
    const SampleSet set = stack(SampleStackKind::mixed, 24, 5);
    QSet<QString> families, arrangements;
    QSet<double> dpis;
    QSet<bool> serif, boxes;
    for (qint64 survey = 1; survey <= 24; ++survey) {
        const SampleRenderOptions print = surveyPrint(set, survey);
        families.insert(print.form.family);
        serif.insert(isSerif(print.form.family));
        dpis.insert(print.dpi);
        for (const FormQuestion& question : printed(print)) {
            if (!question.options.isEmpty()) {
                arrangements.insert(arrangementName(question.arrangement));
                boxes.insert(question.options.first().box.has_value());
            }
        }
    }
    EXPECT_GE(families.size(), 5);
    EXPECT_EQ(serif.size(), 2);
    EXPECT_EQ(dpis, (QSet<double>{200, 300}));
    EXPECT_EQ(arrangements.size(), 4);
    EXPECT_EQ(boxes.size(), 2);

    QSet<int> turns;
    QSet<bool> colour, jpeg;
    double widestSkew = 0;
    for (const SampleSetPage& page : set.pages) {
        turns.insert(page.options.quarterTurns);
        colour.insert(page.options.colour);
        jpeg.insert(page.options.jpegQuality > 0);
        widestSkew = qMax(widestSkew, qAbs(page.options.skewDegrees));
    }
    EXPECT_GE(turns.size(), 3);
    EXPECT_EQ(colour.size(), 2);
    EXPECT_EQ(jpeg.size(), 2);
    EXPECT_GT(widestSkew, 1.0);
    EXPECT_LE(widestSkew, 1.5);

    // Respondents mark as the form allows: bare labels have no box to tick,
    // fill or ring with its label.
    QSet<int> boxedStyles, bareStyles, pens;
    int ambiguous = 0, blanks = 0;
    for (const SampleAnswerSheet& sheet : set.sheets) {
        const FormStyle form = surveyPrint(set, sheet.surveyNumber).form;
        pens.insert(int(sheet.pen));
        ambiguous += int(expectedAnswers(sheet).count(QStringLiteral("AMBIGUOUS")));
        for (qint64 n = 1; n <= 14; ++n) {
            const SampleAnswer& answer = sheet.answers[n - 1];
            blanks += answer.chosen.isEmpty() && !answer.handwriting ? 1 : 0;
            if (!answer.chosen.isEmpty())
                (form.printsBoxes(n) ? boxedStyles : bareStyles).insert(int(answer.style));
        }
    }
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

TEST(SampleStack, EqualRequestsGiveEqualStacksAndPages)
{
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

// Every label the truth names is printed inside the page, clear of the
// other labels and boxes of its question, and questions do not overlap.
TEST(SampleStack, EveryMarkedLabelIsPrintedClearOfItsNeighbours)
{
    for (quint32 seed = 1; seed <= 4; ++seed) {
        const SampleSet set =
            stack(seed <= 2 ? SampleStackKind::mixed : SampleStackKind::oneForm, 10, seed);
        for (const SampleAnswerSheet& sheet : set.sheets) {
            const SampleRenderOptions print = surveyPrint(set, sheet.surveyNumber);
            const QMap<qint64, FormQuestion> questions = printed(print);
            const QRectF page(0, 0, 8.5 * print.dpi, 11 * print.dpi);
            for (qint64 n = 1; n <= 14; ++n) {
                const FormQuestion& question = questions[n];
                SCOPED_TRACE(QString("seed %1 survey %2 Q%3")
                                 .arg(seed)
                                 .arg(sheet.surveyNumber)
                                 .arg(n)
                                 .toStdString());
                QStringList labels;
                QList<QRectF> taken;
                for (const FormOption& option : question.options) {
                    labels.append(option.label);
                    EXPECT_TRUE(page.contains(option.labelRect));
                    const QRectF printedRect =
                        option.box ? option.labelRect | *option.box : option.labelRect;
                    for (const QRectF& other : taken)
                        EXPECT_FALSE(printedRect.intersects(other));
                    taken.append(printedRect);
                }
                for (const QString& label : sheet.answers[n - 1].chosen)
                    EXPECT_TRUE(labels.contains(label)) << label.toStdString();
                if (n != 7 && n != 14) {
                    const FormQuestion& next = questions[n + 1];
                    for (const QRectF& rect : taken)
                        EXPECT_LT(rect.bottom(), next.heading.first().rect.top());
                }
            }
        }
    }
}

TEST(SampleStack, GroundTruthNamesEachCellsMarkAndTheStacksPrint)
{
    QTemporaryDir dir;
    const SampleSet set =
        makeSampleStack({.kind = SampleStackKind::mixed, .surveyCount = 2, .seed = 9, .dpi = 72});
    const QStringList paths = writeSampleSet(set, dir.filePath("nested"));
    ASSERT_EQ(paths.size(), 4);
    EXPECT_TRUE(paths[0].endsWith("/nested/page-01.png"));
    EXPECT_EQ(QImage(paths[3]).size(), QSize(612, 792));

    const QJsonObject survey = QJsonDocument::fromJson(testsupport::readBytes(
        dir.filePath("nested/ground-truth.json")))["surveys"][1]
                                   .toObject();
    EXPECT_EQ(survey["form"]["font"].toString(), surveyPrint(set, 2).form.family);
    EXPECT_EQ(survey["pen"].toString(), penName(set.sheets[1].pen));
    for (int i = 0; i < 14; ++i) {
        const SampleAnswer& answer = set.sheets[1].answers[i];
        const QJsonValue cell = survey["questions"][i];
        EXPECT_EQ(cell["truth"].toString(), expectedAnswers(set.sheets[1])[i]);
        if (!answer.chosen.isEmpty()) {
            EXPECT_EQ(cell["markStyle"].toString(), markStyleName(answer.style));
        }
    }

    const QStringList csv =
        testsupport::readText(dir.filePath("nested/ground-truth.csv")).split('\n');
    EXPECT_EQ(csv[0].split(',').mid(0, 3), (QStringList{"survey_id", "Q1", "Q2"}));
    EXPECT_EQ(csv[0].split(',').value(15), "Q1 mark");
    EXPECT_TRUE(csv[1].startsWith("1," + expectedAnswers(set.sheets[0])[0]));
}
