#include "MarkEvidence.h"

#include "PageInk.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {
struct SpotRef
{
    qsizetype region = -1;
    qsizetype spot = -1;
};

double distanceTo(const QRectF& rect, const QPointF& p)
{
    const double dx = std::max({rect.left() - p.x(), 0.0, p.x() - rect.right()});
    const double dy = std::max({rect.top() - p.y(), 0.0, p.y() - rect.bottom()});
    return std::hypot(dx, dy);
}

void credit(OptionInk& option, double pixels, const QRectF& where, double unit)
{
    option.markBounds = option.strength > 0 ? option.markBounds.united(where) : where;
    option.strength += pixels / unit;
}

// Ink that is a letter of the label recognition left out of it: a capital I
// or l level with its letters, or, when the label starts with one, a
// stroke of a letter's height within its line; or the label's first word
// of one letter ("A little") when the words read lack it: a letter's size,
// level with the label, a space before it; or a bit of a letter inside the
// label, cut off where a ring drawn through the letters was taken out.
bool leftOutOfLabel(const QRectF& bounds, double pixels, const LabelSpot& spot, double h)
{
    const QRectF& label = spot.box;
    const QString& text = spot.label;
    const bool startsWithStroke = !text.isEmpty() && QStringLiteral("Il|1").contains(text.front());
    const bool level =
        std::abs(bounds.top() - label.top()) <= 0.2 * h ||
        std::abs(bounds.bottom() - label.bottom()) <= 0.15 * h ||
        (startsWithStroke && bounds.height() <= 1.3 * h && bounds.top() >= label.top() - 0.25 * h);
    // A narrow letter standing in the label's line, no wider than `widest`
    // print heights.
    const auto narrowLetter = [&](double widest) {
        return bounds.width() <= widest * h && level && bounds.height() >= 0.6 * h &&
               bounds.bottom() <= label.bottom() + 0.2 * h;
    };
    // A serif capital I recognition left out can be as wide as half a
    // print height.
    const bool missedLetter = narrowLetter(startsWithStroke ? 0.5 : 0.4) &&
                              bounds.right() <= label.left() + 2 &&
                              bounds.right() >= label.left() - h;
    // Recognition can also stop short of a narrow last letter ("t").
    const bool missedLastLetter =
        !text.isEmpty() && QStringLiteral("filrtI1").contains(text.back()) && narrowLetter(0.4) &&
        bounds.left() >= label.right() - 2 && bounds.left() <= label.right() + 0.5 * h;
    const bool missedWord =
        spot.similarity < 0.95 && text.size() >= 3 && text[0].isLetter() &&
        text[1] == QLatin1Char(' ') && std::abs(bounds.top() - label.top()) <= 0.2 * h &&
        std::abs(bounds.bottom() - label.bottom()) <= 0.2 * h && bounds.width() <= 1.1 * h &&
        bounds.right() <= label.left() + 2 && bounds.right() >= label.left() - 0.6 * h;
    const bool letterBit =
        pixels <= 0.15 * h * h && bounds.height() <= 0.9 * h &&
        label.adjusted(-0.15 * h, -0.15 * h, 0.15 * h, 0.15 * h).contains(bounds);
    return missedLetter || missedLastLetter || missedWord || letterBit;
}

// Each option's share of a mark split between several, from the ink each
// holds.
using Shares = QList<std::pair<SpotRef, double>>;
Shares inShares(Shares held)
{
    double total = 0;
    for (const auto& [spot, pixels] : held)
        total += pixels;
    for (auto& [spot, share] : held)
        share /= total;
    return held;
}

// The options a mark through check boxes answers: the label printed just
// right of each box holding much of its ink (two ticks can touch), wherever
// recognition stretched the labels' words, with each box's share of the
// ink. A tail crossing another box holds little there.
Shares labelsOfBoxesHolding(const PageInk& ink, const QRectF& bounds,
                            const QList<RegionInk>& regions, double h)
{
    QList<std::pair<QRect, int>> holders;
    int most = 0;
    for (const QRect& box : ink.boxes()) {
        if (!QRectF(box).intersects(bounds))
            continue;
        const int inside = ink.penPixelsIn(box.adjusted(2, 2, -2, -2));
        holders.append({box, inside});
        most = std::max(most, inside);
    }
    holders.removeIf([&](const std::pair<QRect, int>& held) {
        return held.second < std::max(0.05 * h * h, 0.5 * most);
    });
    Shares found;
    for (const auto& [box, inside] : holders) {
        SpotRef beside;
        int count = 0;
        for (qsizetype r = 0; r < regions.size(); ++r) {
            for (qsizetype s = 0; s < regions[r].options.size(); ++s) {
                const QRectF& label = regions[r].options[s].spot.box;
                const double level = std::min(label.bottom(), QRectF(box).bottom()) -
                                     std::max(label.top(), QRectF(box).top());
                if (label.left() >= box.left() && label.left() <= box.right() + 2 * h &&
                    level >= 0.5 * std::min(double(box.height()), label.height())) {
                    beside = {r, s};
                    ++count;
                }
            }
        }
        // A box whose label is not known one for one leaves the mark to
        // the labels' distances.
        if (count != 1)
            return {};
        found.append({beside, double(inside)});
    }
    return inShares(found);
}

// The options a mark standing before labels one above the other answers:
// marks drawn in a column before them can touch (two crosses), and each
// label then takes the ink level with it, when each row holds much of it.
Shares labelsOfRowsHolding(const PageInk& ink, const QRectF& bounds,
                           const QList<RegionInk>& regions, double h)
{
    if (bounds.height() < 2 * h)
        return {};
    Shares rows;
    double most = 0;
    for (qsizetype r = 0; r < regions.size(); ++r) {
        for (qsizetype s = 0; s < regions[r].options.size(); ++s) {
            const QRectF& label = regions[r].options[s].spot.box;
            const QRectF before = QRectF(label.left() - 2.6 * h, label.top() - 0.3 * h, 3.0 * h,
                                         label.height() + 0.6 * h)
                                      .intersected(bounds);
            if (before.isEmpty() || bounds.right() > label.left() + h)
                continue;
            const double pixels = ink.penPixelsIn(before.toAlignedRect());
            // A mark of its own spreads across the column (a cross); a
            // tick's tail passing through the row keeps to the right, the
            // point of a tick above dipping into it to the left. A tick of
            // its own, joined to one above standing further right, can keep
            // to the left too, but weighs far more than a tick's point.
            QRectF leftHalf = before;
            leftHalf.setRight(bounds.center().x());
            const double left = ink.penPixelsIn(leftHalf.toAlignedRect());
            if (left < 0.2 * pixels || (pixels - left < 0.2 * pixels && pixels < 0.15 * h * h))
                continue;
            rows.append({{r, s}, pixels});
            most = std::max(most, pixels);
        }
    }
    rows.removeIf([&](const std::pair<SpotRef, double>& row) {
        return row.second < std::max(0.1 * h * h, 0.4 * most);
    });
    return rows.size() < 2 ? Shares{} : inShares(rows);
}

// The label a tick standing taller than two rows points at: its foot, the
// lowest ink, lies in the mark's left part level with one label just after
// it, while its long arm climbs past the labels above. Nothing for any
// other mark, or when the foot is level with no label or with two.
std::optional<SpotRef> labelAtTickFoot(const PageInk& ink, const QRectF& bounds,
                                       const QList<RegionInk>& regions, double h)
{
    if (bounds.height() <= 2.5 * h)
        return std::nullopt;
    const QRectF foot(bounds.left(), bounds.bottom() - 0.5 * h, bounds.width(), 0.5 * h);
    const int pixels = ink.penPixelsIn(foot.toAlignedRect());
    const QRectF left(foot.left(), foot.top(), 0.6 * foot.width(), foot.height());
    if (pixels == 0 || ink.penPixelsIn(left.toAlignedRect()) < 0.7 * pixels)
        return std::nullopt;
    const double footY = bounds.bottom() - 0.25 * h;
    std::optional<SpotRef> found;
    for (qsizetype r = 0; r < regions.size(); ++r)
        for (qsizetype s = 0; s < regions[r].options.size(); ++s) {
            const QRectF& label = regions[r].options[s].spot.box;
            if (footY < label.top() - 0.3 * h || footY > label.bottom() + 0.3 * h ||
                bounds.right() > label.left() + 0.8 * h || bounds.left() < label.left() - 2.6 * h)
                continue;
            if (found)
                return std::nullopt;
            found = SpotRef{r, s};
        }
    return found;
}
} // namespace

QList<PenMark> penMarks(const PageInk& ink, double printHeight)
{
    const double h = std::max(6.0, printHeight);
    const double near = 0.3 * h;
    const auto join = [](PenMark& into, const PenMark& from) {
        into.bounds = into.bounds.united(from.bounds);
        into.pixels += from.pixels;
    };
    QList<PenMark> marks;
    // Every mark `belongs` holds joined into the first of them.
    const auto joinAll = [&](const auto& belongs) {
        qsizetype first = -1;
        for (qsizetype i = 0; i < marks.size(); ++i) {
            if (!belongs(marks[i]))
                continue;
            if (first < 0) {
                first = i;
                continue;
            }
            join(marks[first], marks.takeAt(i--));
        }
    };
    for (const InkPiece& piece : ink.pieces()) {
        if (piece.kind != InkKind::pen)
            continue;
        PenMark mark{QRectF(piece.bounds), double(piece.area)};
        // Join every mark this piece reaches; joining can bring two marks in
        // reach of each other, so repeat until nothing joins.
        bool joined = true;
        while (joined) {
            joined = false;
            for (qsizetype i = 0; i < marks.size(); ++i) {
                if (!marks[i].bounds.adjusted(-near, -near, near, near).intersects(mark.bounds))
                    continue;
                join(mark, marks.takeAt(i));
                joined = true;
                break;
            }
        }
        marks.append(mark);
    }
    // A ring whose flat top and bottom were taken out as lines is left as
    // its arcs at each end, each reaching out from them up to about half the
    // ring's height: within its frame, they are one mark.
    for (const QRect& ring : ink.ringFrames()) {
        const double reach = 0.6 * ring.height();
        const QRectF zone = QRectF(ring).adjusted(-reach, -near, reach, near);
        joinAll([&](const PenMark& m) {
            return zone.contains(m.bounds) && m.bounds.intersects(QRectF(ring));
        });
    }
    // A stroke through a check box is cut where it crosses the box's sides:
    // the pieces centred at the box are one mark, a tick's tail just past
    // its corner included; another box's tick reaching it is not.
    for (const QRect& box : ink.boxes()) {
        const QRectF zone = QRectF(box).adjusted(-near, -near, near, near);
        joinAll([&](const PenMark& m) { return zone.contains(m.bounds.center()); });
    }
    // A tick's long tail, cut off where it left its box's corner, runs up
    // past the box above: outside every box, it belongs to the one box it
    // reaches that holds a mark. The tick's short stroke inside the box
    // can weigh less than its tail, but not a great deal less. A tick
    // joined to the stroke inside its own box is no tail.
    for (qsizetype i = 0; i < marks.size(); ++i) {
        const PenMark& tail = marks[i];
        if (std::max(tail.bounds.width(), tail.bounds.height()) > 2 * h ||
            std::any_of(ink.boxes().begin(), ink.boxes().end(), [&](const QRect& box) {
                const QRectF inside = QRectF(box.adjusted(2, 2, -2, -2)).intersected(tail.bounds);
                return QRectF(box).contains(tail.bounds.center()) ||
                       (!inside.isEmpty() &&
                        ink.penPixelsIn(inside.toAlignedRect()) >= 0.1 * h * h);
            }))
            continue;
        qsizetype holder = -1;
        int holders = 0;
        for (const QRect& box : ink.boxes()) {
            if (!QRectF(box).adjusted(-0.5 * h, -0.5 * h, 0.5 * h, 0.5 * h).intersects(tail.bounds))
                continue;
            const QRectF zone = QRectF(box).adjusted(-near, -near, near, near);
            for (qsizetype k = 0; k < marks.size(); ++k)
                if (k != i && zone.contains(marks[k].bounds.center())) {
                    holder = k;
                    ++holders;
                }
        }
        if (holders != 1 || marks[holder].pixels < 0.5 * tail.pixels)
            continue;
        // The tick's body, not its tail, says where it stands.
        marks[holder].pixels += tail.pixels;
        marks.removeAt(i);
        i = -1; // indices moved; look again from the start
    }
    // Noise left where printed lines were taken out is no mark, nor is a
    // sliver of a line's edge no pen could draw that thin.
    marks.removeIf([&](const PenMark& m) {
        return m.pixels < 0.02 * h * h || std::min(m.bounds.width(), m.bounds.height()) <= 2;
    });
    return marks;
}

QList<RegionInk> creditPenInk(const PageInk& ink, const QList<QList<LabelSpot>>& spots,
                              const QList<QRectF>& areas, double printHeight)
{
    const double h = std::max(6.0, printHeight);
    const double unit = h * h;
    QList<RegionInk> regions;
    for (const QList<LabelSpot>& regionSpots : spots) {
        RegionInk region;
        for (const LabelSpot& spot : regionSpots)
            region.options.append({spot, 0, spot.box});
        regions.append(region);
    }
    const auto inDoubt = [&](RegionInk& region, double pixels, const QRectF& where) {
        region.unclaimed += pixels / unit;
        region.unclaimedBounds =
            region.unclaimedBounds.isNull() ? where : region.unclaimedBounds.united(where);
        region.unclaimedMarks.append({where, pixels});
    };
    const auto unclaimed = [&](const QPointF& at, double pixels, const QRectF& where) {
        for (qsizetype r = 0; r < regions.size() && r < areas.size(); ++r) {
            if (!areas[r].contains(at))
                continue;
            inDoubt(regions[r], pixels, where);
            return true;
        }
        return false;
    };
    for (const PenMark& mark : penMarks(ink, h)) {
        const QRectF& bounds = mark.bounds;
        const QPointF centre = bounds.center();
        // Writing on a write-in rule ("Other ____") is no mark, however
        // tall it stands: written up into the line above, it is no mark for
        // the label there either. Nor are its letters' tails the rule cut
        // off below it.
        const bool writtenIn =
            std::any_of(ink.rules().begin(), ink.rules().end(), [&](const QRect& r) {
                const bool tail = bounds.top() <= r.bottom() + 0.3 * h &&
                                  bounds.bottom() <= r.bottom() + 0.8 * h &&
                                  bounds.width() <= 0.8 * h;
                return centre.x() >= r.left() && centre.x() <= r.right() &&
                       (centre.y() <= r.bottom() || tail) &&
                       (centre.y() >= r.top() - 1.5 * h ||
                        (bounds.bottom() >= r.top() - 0.5 * h && bounds.left() >= r.left() - h));
            });
        // Rings drawn round two labels one above the other can touch: each
        // label takes the ink round itself.
        QList<SpotRef> enclosed;
        for (qsizetype r = 0; r < regions.size(); ++r)
            for (qsizetype s = 0; s < regions[r].options.size(); ++s)
                if (const QRectF& label = regions[r].options[s].spot.box;
                    bounds.contains(label.center())) {
                    // The label itself inside the ring, not only its middle.
                    const QRectF inside = bounds.intersected(label);
                    if (inside.width() * inside.height() >= 0.8 * label.width() * label.height())
                        enclosed.append({r, s});
                }
        if (writtenIn && enclosed.isEmpty())
            continue;
        // A ring touching the next line's letters takes that label into its
        // bounds, level with its edge, but not inside itself; so does a
        // tick's tail reaching up over the label in the row above.
        // A ring touching the letters of a label beside it, or rings round
        // two labels that touch, can take in a label that no ring closes
        // round: where some labels are closed round, those are the ringed
        // ones. The ring's arc through another label's letters is sorted
        // as their print, outside the pen's bounds.
        // Each label is asked once: the test floods the ring's ink.
        QList<std::pair<SpotRef, bool>> asked;
        const auto closedRound = [&](const SpotRef& ref) {
            for (const auto& [spot, closed] : asked)
                if (spot.region == ref.region && spot.spot == ref.spot)
                    return closed;
            const bool closed = ink.inkEncloses(
                bounds.adjusted(-0.5 * h, -0.5 * h, 0.5 * h, 0.5 * h).toAlignedRect(),
                regions[ref.region].options[ref.spot].spot.box, h);
            asked.append({ref, closed});
            return closed;
        };
        if (enclosed.size() >= 2 || bounds.height() > 2.5 * h)
            enclosed.removeIf([&](const SpotRef& ref) {
                const QRectF& label = regions[ref.region].options[ref.spot].spot.box;
                const bool atEdge = label.center().y() <= bounds.top() + 0.55 * h ||
                                    label.center().y() >= bounds.bottom() - 0.55 * h;
                return atEdge && !closedRound(ref);
            });
        if (enclosed.size() >= 2 && std::any_of(enclosed.begin(), enclosed.end(), closedRound))
            enclosed.removeIf([&](const SpotRef& ref) { return !closedRound(ref); });
        if (enclosed.size() >= 2) {
            for (const SpotRef& ref : enclosed) {
                OptionInk& option = regions[ref.region].options[ref.spot];
                const QRectF zone = option.spot.box.adjusted(-0.8 * h, -0.8 * h, 0.8 * h, 0.8 * h)
                                        .intersected(bounds);
                credit(option, ink.penPixelsIn(zone.toAlignedRect()), zone, unit);
            }
            continue;
        }
        // Ink closed round one label is that label's ring, even where it
        // touches a neighbour's ring.
        if (enclosed.size() == 1) {
            credit(regions[enclosed.front().region].options[enclosed.front().spot], mark.pixels,
                   bounds, unit);
            continue;
        }
        Shares split = labelsOfBoxesHolding(ink, bounds, regions, h);
        if (split.isEmpty())
            split = labelsOfRowsHolding(ink, bounds, regions, h);
        if (!split.isEmpty()) {
            for (const auto& [spot, share] : split)
                credit(regions[spot.region].options[spot.spot], share * mark.pixels, bounds, unit);
            continue;
        }
        // Dust is no answer: a solid speck no longer than a third of a
        // letter's height is nobody's and raises no doubt among the labels
        // (the thin end of a stroke still does).
        if (std::max(bounds.width(), bounds.height()) <= 0.35 * h &&
            mark.pixels >= 0.5 * bounds.width() * bounds.height())
            continue;
        if (const std::optional<SpotRef> pointed = labelAtTickFoot(ink, bounds, regions, h)) {
            credit(regions[pointed->region].options[pointed->spot], mark.pixels, bounds, unit);
            continue;
        }
        SpotRef best;
        double bestDistance = 0;
        bool bestBefore = false;
        bool letter = false;
        QList<std::pair<SpotRef, double>> near;
        for (qsizetype r = 0; r < regions.size(); ++r) {
            for (qsizetype s = 0; s < regions[r].options.size(); ++s) {
                const QRectF& label = regions[r].options[s].spot.box;
                if (!label.adjusted(-2.6 * h, -0.9 * h, 0.7 * h, 0.9 * h).contains(centre))
                    continue;
                if (leftOutOfLabel(bounds, mark.pixels, regions[r].options[s].spot, h)) {
                    letter = true;
                    continue;
                }
                const double distance = distanceTo(label.adjusted(-1.6 * h, 0, 0, 0), centre);
                near.append({{r, s}, distance});
                // Level with two labels, a mark standing before one, over
                // the end of the one before it, answers the one it stands
                // before (a ring's half reaching past a label's start does
                // not stand before it). Level means with the label's first
                // line: a label's box can be stretched down over the next.
                const bool before =
                    bounds.right() <= label.left() + h && bounds.height() <= 2.5 * h &&
                    centre.y() >= label.top() - 0.2 * h && centre.y() <= label.top() + 1.2 * h;
                if (best.region < 0 || distance < bestDistance - 0.5 ||
                    (distance <= bestDistance + 0.5 && before && !bestBefore)) {
                    best = {r, s};
                    bestDistance = distance;
                    bestBefore = before;
                }
            }
        }
        if (best.region >= 0) {
            credit(regions[best.region].options[best.spot], mark.pixels, bounds, unit);
            // A mark about as near another label, standing before neither,
            // is in doubt (a tick between two rows whose tail reaches up);
            // one spanning two rows is nearly as near either.
            const double margin = bounds.height() > 2.5 * h ? 0.5 * h : 0.25 * h;
            // A mark reaching over two rows, its middle between them, is as
            // much the lower row's (a tick's foot) as the upper's (its arm).
            // A ring round its label, or an arc of one, also reaches past the
            // label on its far side.
            const QRectF& bestLabel = regions[best.region].options[best.spot].spot.box;
            const auto alsoSpanned = [&](const OptionInk& other) {
                const QRectF& label = other.spot.box;
                const bool between = (centre.y() > bestLabel.bottom() && centre.y() < label.top() &&
                                      bounds.top() >= bestLabel.top() - 0.3 * h) ||
                                     (centre.y() < bestLabel.top() && centre.y() > label.bottom() &&
                                      bounds.bottom() <= bestLabel.bottom() + 0.3 * h);
                return &other != &regions[best.region].options[best.spot] &&
                       bounds.height() > 2.5 * h && between &&
                       label.center().y() <= bounds.bottom() &&
                       label.center().y() >= bounds.top() && centre.x() >= label.left() - 2.6 * h &&
                       centre.x() <= label.right();
            };
            const bool contested =
                !bestBefore && (std::any_of(near.begin(), near.end(),
                                            [&](const auto& other) {
                                                return (other.first.region != best.region ||
                                                        other.first.spot != best.spot) &&
                                                       other.second - bestDistance < margin;
                                            }) ||
                                std::any_of(regions[best.region].options.begin(),
                                            regions[best.region].options.end(), alsoSpanned));
            if (contested)
                unclaimed(centre, mark.pixels, bounds);
        } else if (!letter && !unclaimed(centre, mark.pixels, bounds)) {
            // A doodle in the margin can join a tick before a label into one
            // mark whose middle stands outside the labels' area: a mark's
            // weight of its ink before a label is still in doubt.
            for (const RegionInk& region : regions)
                for (const OptionInk& option : region.options) {
                    const QRectF& label = option.spot.box;
                    const QRectF before = QRectF(label.left() - 2.6 * h, label.top() - 0.3 * h,
                                                 2.9 * h, label.height() + 0.6 * h)
                                              .intersected(bounds);
                    const int pixels =
                        before.isEmpty() ? 0 : ink.penPixelsIn(before.toAlignedRect());
                    if (pixels >= kMarkStrength * unit)
                        unclaimed(before.center(), pixels, before);
                }
        }
    }
    return regions;
}

MarkReading readMarks(const RegionInk& region, bool singleChoice)
{
    MarkReading reading;
    // Beside the one clear answer a single-choice question takes, a trace a
    // fifth its weight is the pen's spill (a ring's tail, a tick's run-up),
    // not a second answer in doubt. Where several answers may stand, a
    // faint one can be a real answer poorly read.
    double weakestMark = 0;
    for (const OptionInk& option : region.options)
        if (singleChoice && option.strength >= kMarkStrength)
            weakestMark =
                weakestMark > 0 ? std::min(weakestMark, option.strength) : option.strength;
    for (const OptionInk& option : region.options) {
        if (option.strength >= kMarkStrength) {
            const double confidence =
                std::min(0.98, 0.75 + 0.23 * (option.strength - kMarkStrength) /
                                          (kSureMarkStrength - kMarkStrength));
            reading.marks.append({option.spot.label, confidence, option.markBounds});
        } else if (option.strength >= kNoMarkStrength && option.strength >= 0.2 * weakestMark) {
            reading.doubtful = true;
        }
    }
    // Marks that stand clear of every other label's ink are sure even when
    // short: a tick at 200 dpi is little ink, but nothing near it competes.
    const bool clear = std::all_of(region.options.begin(), region.options.end(),
                                   [](const OptionInk& option) {
                                       return option.strength >= kMarkStrength ||
                                              option.strength <= 0.3 * kMarkStrength;
                                   }) &&
                       region.unclaimed < kNoMarkStrength;
    if (clear)
        for (DetectedMark& mark : reading.marks)
            mark.confidence = std::max(mark.confidence, 0.95);
    if (singleChoice && reading.marks.size() > 1) {
        reading.conflicting = true;
        // Between marks alike sure, the one with more ink leads.
        const auto strength = [&](const DetectedMark& mark) {
            for (const OptionInk& option : region.options)
                if (option.spot.label == mark.label)
                    return option.strength;
            return 0.0;
        };
        std::stable_sort(reading.marks.begin(), reading.marks.end(),
                         [&](const DetectedMark& a, const DetectedMark& b) {
                             if (a.confidence != b.confidence)
                                 return a.confidence > b.confidence;
                             return strength(a) > strength(b);
                         });
    }
    return reading;
}
