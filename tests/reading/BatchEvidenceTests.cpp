#include "reading/BatchEvidence.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
constexpr double kPrint = 20;

// One sheet's reading of two choice questions, printed from `origin`: the
// form's labels at their places, each read cleanly and unmarked.
PageReading sheet(QPointF origin = {0, 0}, double labelGap = 120)
{
    PageReading page;
    for (const qint64 n : {1, 2}) {
        RegionReading region;
        region.questionNumber = n;
        region.printHeight = kPrint;
        const QPointF prompt = origin + QPointF(100, 100 + 300 * (n - 1));
        region.promptLine = QRectF(prompt, QSizeF(500, kPrint));
        const QStringList labels = n == 1 ? QStringList{u"Male"_s, u"Female"_s, u"Other"_s}
                                          : QStringList{u"Yes"_s, u"No"_s, u"Maybe"_s};
        for (qsizetype i = 0; i < labels.size(); ++i)
            region.labels.append(
                {labels[i], QRectF(prompt + QPointF(40 + labelGap * i, 50), QSizeF(80, kPrint)),
                 true, false, QRectF(), 400});
        page.regions.append(region);
    }
    return page;
}

LabelPlace& label(PageReading& page, qsizetype region, qsizetype index)
{
    return page.regions[region].labels[index];
}
} // namespace

TEST(BatchEvidence, SheetsOfOneFormAgreeWhereverTheyWereFedAndOthersDoNot)
{
    // Fed a little further along and read on a page of another print run.
    EXPECT_TRUE(sameForm(sheet(), sheet({7, 35})));
    EXPECT_FALSE(sameForm(sheet(), sheet({0, 0}, 150)));
    // Too few labels read cleanly on both to tell.
    PageReading few = sheet();
    few.regions.removeLast();
    label(few, 0, 0).clean = false;
    EXPECT_FALSE(sameForm(sheet(), few));
}

TEST(BatchEvidence, ALabelReadWiderThanItsFormPrintsItIsInDoubtFromThreeSheetsOn)
{
    // A cross drawn against "Female" read into its word on the fourth sheet.
    QList<PageReading> stack{sheet(), sheet({5, 10}), sheet({-4, 3}), sheet({2, -6})};
    label(stack[3], 0, 1).box.setLeft(label(stack[3], 0, 1).box.left() - 1.5 * kPrint);
    label(stack[3], 0, 1).clean = false;
    using Flag = std::pair<qsizetype, qsizetype>;
    // Stretched over bare paper, it holds no more ink than elsewhere.
    EXPECT_TRUE(labelsStretchedPastTheirForm(stack).isEmpty());
    label(stack[3], 0, 1).inkPixels += 150;
    EXPECT_EQ(labelsStretchedPastTheirForm(stack), QList<Flag>{Flag(3, 0)});
    // A ring fused with "Maybe"'s letters stretches its box down.
    label(stack[1], 1, 2).box.setBottom(label(stack[1], 1, 2).box.bottom() + 1.5 * kPrint);
    label(stack[1], 1, 2).inkPixels += 300;
    EXPECT_EQ(labelsStretchedPastTheirForm(stack), (QList<Flag>{Flag(1, 1), Flag(3, 0)}));

    // Marked, or stretched by a mark credited to another label, or already
    // in review, it adds nothing.
    QList<PageReading> explained = stack;
    label(explained[3], 0, 1).marked = true;
    EXPECT_EQ(labelsStretchedPastTheirForm(explained), QList<Flag>{Flag(1, 1)});
    QList<PageReading> besideAMark = stack;
    besideAMark[1].regions[1].labels[2] = label(stack[0], 1, 2);
    besideAMark[1].regions[1].labels[2].box.translate(5, 10);
    label(besideAMark[3], 0, 0).marked = true;
    label(besideAMark[3], 0, 0).ink = label(besideAMark[3], 0, 1).box.adjusted(-kPrint, 0, -60, 0);
    EXPECT_TRUE(labelsStretchedPastTheirForm(besideAMark).isEmpty());
    QList<PageReading> reviewed = stack;
    reviewed[3].regions[0].needsReview = true;
    reviewed[1].regions[1].needsReview = true;
    EXPECT_TRUE(labelsStretchedPastTheirForm(reviewed).isEmpty());

    // Two sheets of a form are too few to go by, and sheets of other forms
    // are no evidence.
    QList<PageReading> pair{stack[0], stack[3]};
    EXPECT_TRUE(labelsStretchedPastTheirForm(pair).isEmpty());
    pair.append(sheet({0, 0}, 150));
    pair.append(sheet({0, 0}, 180));
    EXPECT_TRUE(labelsStretchedPastTheirForm(pair).isEmpty());
}
