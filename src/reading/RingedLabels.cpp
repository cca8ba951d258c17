#include "RingedLabels.h"

#include "LabelSpots.h"
#include "PageInk.h"
#include "TextMatching.h"
#include "TextRecognizer.h"

#include <algorithm>
#include <array>

namespace {
// Whether a line read again reads as `label`, also with a letter or two of
// a tick or ring's stroke before or after it.
bool readsAs(const QString& read, const QString& label)
{
    const QString wanted = foldedText(label);
    double best = textSimilarity(read, wanted);
    for (qsizetype cut = 1; cut <= 2 && read.size() - cut >= wanted.size(); ++cut)
        best = std::max({best, textSimilarity(read.mid(cut), wanted),
                         textSimilarity(read.left(read.size() - cut), wanted)});
    return best >= labelMatchFloor(wanted.size());
}

// How well a line read inside a long label's ring reads as `label`, 0 when
// not enough: the ring can take a letter or two at each end with it, so
// most of a long label, read in order, is enough.
double likenessInRing(const QString& read, const QString& label)
{
    const QString wanted = foldedText(label);
    double best = textSimilarity(read, wanted);
    if (read.size() >= std::max<qsizetype>(8, 6 * wanted.size() / 10))
        for (qsizetype from = 0; from < wanted.size(); ++from)
            for (qsizetype n = read.size(); n <= read.size() + 3; ++n)
                best = std::max(best, textSimilarity(read, wanted.mid(from, n)));
    return best >= labelMatchFloor(wanted.size()) ? best : 0.0;
}

// A ring round a long label is cut into its ends where its flat top and
// bottom were taken out: the ends on one line are read together, with the
// ring taken away. Ends that read as a missing label are credited to it
// and leave `marks` and `missing`.
void recoverLongRings(RegionInk& region, QList<PenMark>& marks, QStringList& missing,
                      const QImage& image, const PageInk& ink, TextRecognizer& recognizer, double h)
{
    const QRectF page(QPointF(0, 0), QSizeF(image.size()));
    for (qsizetype i = 0; i < marks.size() && !missing.isEmpty(); ++i) {
        PenMark joined = marks[i];
        QList<qsizetype> members{i};
        for (qsizetype j = i + 1; j < marks.size(); ++j)
            if (std::abs(marks[j].bounds.center().y() - marks[i].bounds.center().y()) <= 0.5 * h &&
                marks[j].bounds.height() >= 0.8 * h && marks[i].bounds.height() >= 0.8 * h) {
                joined.bounds = joined.bounds.united(marks[j].bounds);
                joined.pixels += marks[j].pixels;
                members.append(j);
            }
        if (members.size() < 2 || joined.bounds.width() > 30 * h)
            continue;
        const QRect crop = joined.bounds.adjusted(-0.15 * h, -0.15 * h, 0.15 * h, 0.15 * h)
                               .intersected(page)
                               .toAlignedRect();
        const QString read = foldedText(recognizer.recognizeLine(ink.withoutMarks(image, crop, h)));
        auto label = missing.end();
        double bestLikeness = 0;
        for (auto it = missing.begin(); it != missing.end(); ++it)
            if (const double like = likenessInRing(read, *it); like > bestLikeness) {
                bestLikeness = like;
                label = it;
            }
        if (label == missing.end())
            continue;
        region.options.append(
            {{*label, QRectF(crop), 0.8}, joined.pixels / (h * h), joined.bounds});
        region.unclaimed -= joined.pixels / (h * h);
        missing.erase(label);
        for (qsizetype k = members.size() - 1; k >= 0; --k)
            marks.removeAt(members[k]);
        --i;
    }
}
} // namespace

void recoverRingedLabels(RegionInk& region, const QStringList& options, const QImage& image,
                         const PageInk& ink, TextRecognizer& recognizer, double h)
{
    QStringList missing = options;
    for (const OptionInk& option : region.options)
        missing.removeAll(option.spot.label);
    const double unit = h * h;
    const QRectF page(QPointF(0, 0), QSizeF(image.size()));
    QList<PenMark> marks = region.unclaimedMarks;
    recoverLongRings(region, marks, missing, image, ink, recognizer, h);
    QList<PenMark> left;
    for (const PenMark& mark : marks) {
        bool used = false;
        if (mark.pixels / unit >= kMarkStrength && !missing.isEmpty()) {
            const QRectF inside = mark.bounds.adjusted(-0.15 * h, -0.15 * h, 0.15 * h, 0.15 * h);
            const QRectF after(mark.bounds.right(), mark.bounds.center().y() - 0.8 * h, 8 * h,
                               1.6 * h);
            // Inside the ink as it stands, then with the ring taken away
            // (unless it is one with the letters), then just after it.
            const std::array<std::pair<const QRectF*, bool>, 3> tries{
                {{&inside, false}, {&inside, true}, {&after, false}}};
            for (const auto& [candidate, cleaned] : tries) {
                const QRectF& where = *candidate;
                const QRect crop = where.intersected(page).toAlignedRect();
                if (crop.width() < 4 || crop.height() < 4)
                    continue;
                const QString read = foldedText(recognizer.recognizeLine(
                    cleaned ? ink.withoutMarks(image, crop, h) : image.copy(crop)));
                const auto label = std::find_if(missing.begin(), missing.end(),
                                                [&](const QString& l) { return readsAs(read, l); });
                if (label == missing.end())
                    continue;
                // Ink no taller than print that reads as the label is the
                // label's own print; a ring stands taller than its letters.
                const bool ring = candidate != &inside || mark.bounds.height() >= 1.3 * h;
                region.options.append({{*label, where, 0.8},
                                       ring ? mark.pixels / unit : 0.0,
                                       ring ? mark.bounds : where});
                missing.erase(label);
                used = true;
                break;
            }
        }
        // A ring or mark on a label recognition lost, told by where it stands
        // among the labels found.
        if (!used && mark.pixels / unit >= kSureMarkStrength && !missing.isEmpty()) {
            QList<LabelSpot> found;
            for (const OptionInk& option : region.options)
                found.append(option.spot);
            const QPointF at =
                mark.bounds.height() >= 1.3 * h
                    ? mark.bounds.center()
                    : QPointF(mark.bounds.right() + 0.5 * h, mark.bounds.center().y());
            if (const std::optional<QString> label = labelByPlace(found, options, at, h)) {
                region.options.append(
                    {{*label, mark.bounds, 0.5}, mark.pixels / unit, mark.bounds});
                missing.removeAll(*label);
                used = true;
            }
        }
        if (used)
            region.unclaimed -= mark.pixels / unit;
        else
            left.append(mark);
    }
    region.unclaimedMarks = left;
}
