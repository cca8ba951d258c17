#include "samples/SampleSurveyRenderer.h"

#include <gtest/gtest.h>

#include <QSet>
#include <algorithm>

namespace {

constexpr double kDpi = 150;

// A varied print run with every choice question boxed or every one bare.
FormStyle formWith(bool boxes, quint32 seed)
{
    QRandomGenerator random(seed);
    FormStyle form = randomFormStyle(random, kDpi);
    for (QuestionPrint& print : form.questions)
        print.boxes = boxes;
    return form;
}

// Pen ink: where the filled-in page differs from the blank form.
struct Ink
{
    QImage filled;
    QImage blank;

    bool at(int x, int y) const
    {
        if (!filled.rect().contains(x, y))
            return false;
        return qAbs(qGray(filled.pixel(x, y)) - qGray(blank.pixel(x, y))) > 40;
    }

    // The levels of the inked pixels in `rect`; on bare paper only, if asked
    // (ink over print only darkens the print).
    QList<int> inkedLevels(const QRectF& rect, bool bareOnly = false) const
    {
        QList<int> levels;
        const QRect area = rect.toAlignedRect() & filled.rect();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (at(x, y) && (!bareOnly || qGray(blank.pixel(x, y)) > 240))
                    levels.append(qGray(filled.pixel(x, y)));
            }
        }
        return levels;
    }

    // How dark the ink is on bare paper: its fifth-darkest pixel in a hundred.
    int inkLevelIn(const QRectF& rect) const
    {
        QList<int> levels = inkedLevels(rect, true);
        std::sort(levels.begin(), levels.end());
        return levels.isEmpty() ? 255 : levels[levels.size() / 20];
    }

    double shareIn(const QRectF& rect) const
    {
        const QRect area = rect.toAlignedRect() & filled.rect();
        return area.isEmpty() ? 0
                              : double(inkedLevels(rect).size()) / (area.width() * area.height());
    }
};

SampleAnswerSheet sheetMarking(MarkStyle style, PenKind pen)
{
    SampleAnswerSheet sheet;
    sheet.pen = pen;
    sheet.tremor = 0.6;
    sheet.overshoot = 0.5;
    const QPair<int, QString> marks[] = {{0, "Prefer not to answer"}, {4, "No"}, {5, "Maybe"}};
    for (const auto& [index, label] : marks) {
        sheet.answers[index].chosen = {label};
        sheet.answers[index].style = style;
    }
    return sheet;
}

} // namespace

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
    } rows[] = {
        {MarkStyle::tick, true, inBox},
        {MarkStyle::cross, true, inBox},
        {MarkStyle::filledBox, true, inBox},
        {MarkStyle::scribble, true, inBox},
        {MarkStyle::circle, true, round},
        {MarkStyle::circle, false, round},
        {MarkStyle::tightCircle, true, round},
        {MarkStyle::tightCircle, false, round},
        {MarkStyle::circleBoxAndLabel, true, roundBoxToo},
        {MarkStyle::tickBeforeLabel, false, leftOfLabel},
        {MarkStyle::crossBeforeLabel, false, leftOfLabel},
    };
    int seed = 0;
    for (const auto& row : rows) {
        for (PenKind pen : {PenKind::blueBallpoint, PenKind::blackBallpoint, PenKind::pencil}) {
            SCOPED_TRACE((markStyleName(row.style) + QStringLiteral(" with ") + penName(pen) +
                          (row.boxes ? QStringLiteral(", boxes") : QStringLiteral(", bare")))
                             .toStdString());
            const FormStyle form = formWith(row.boxes, ++seed);
            const SampleRenderOptions options{.dpi = kDpi, .form = form, .seed = quint32(seed)};
            const SampleAnswerSheet sheet = sheetMarking(row.style, pen);
            const Ink ink{renderSurveyPage(sheet, SurveySide::front, options),
                          renderBlankSurveyPage(SurveySide::front, kDpi, form)};
            const FormPageLayout layout = layoutSurveyPage(SurveySide::front, kDpi, form);
            for (const FormQuestion& question : layout.questions) {
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
                    // Pencil is a light grey; ball-point nearly black.
                    const int level = ink.inkLevelIn(label.adjusted(-3 * h, -h, h, h));
                    if (pen == PenKind::pencil)
                        EXPECT_GT(level, 90);
                    else
                        EXPECT_LT(level, 90);
                    if (row.where == inBox) {
                        EXPECT_GT(ink.shareIn(*option.box), 0.08);
                        continue;
                    }
                    if (row.where == leftOfLabel) {
                        EXPECT_GT(
                            ink.shareIn(QRectF(label.left() - h * 1.2, label.top(), h * 1.2, h)),
                            0.02);
                        continue;
                    }
                    // A ring: ink left and right of what it rings, none across its middle.
                    const QRectF target = row.where == roundBoxToo ? label | *option.box : label;
                    const double cy = target.center().y();
                    const double w = target.width();
                    EXPECT_GT(
                        ink.shareIn(QRectF(target.left() - 2 * h, cy - 0.3 * h, 2 * h, 0.6 * h)),
                        0);
                    EXPECT_GT(ink.shareIn(QRectF(target.right(), cy - 0.3 * h, 2 * h, 0.6 * h)), 0);
                    EXPECT_EQ(ink.shareIn(
                                  QRectF(target.left() + w * 0.1, cy - 0.15 * h, w * 0.8, 0.3 * h)),
                              0);
                }
            }
        }
    }
}
