#include "ChoiceDoubt.h"

#include "PageInk.h"

#include <algorithm>
#include <cmath>

bool choiceInDoubt(const ChoiceEvidence& e, const PageInk& ink, double printHeight)
{
    const double h = printHeight;
    // A label recognition missed may have been read since inside the
    // ring drawn round it; each label is credited at most once.
    const bool unlocated = e.credited.options.size() < e.optionCount;
    const bool unclaimed = e.credited.unclaimed >= kNoMarkStrength;
    // With a label not found, a mark off its label's row may belong to
    // the missing one.
    const bool offRow = std::any_of(
        e.credited.options.begin(), e.credited.options.end(), [&](const OptionInk& option) {
            return option.strength >= kMarkStrength &&
                   std::abs(option.markBounds.center().y() - option.spot.box.center().y()) >
                       0.5 * h;
        });
    const bool stray = std::any_of(e.strays.begin(), e.strays.end(), [&](const QRectF& word) {
        return e.area.contains(word.center());
    });
    // An unmarked label whose word recognition read far taller than
    // print took in ink round it: a ring drawn tight enough to pass
    // for its letters' edges. A word that took in the check box
    // printed before its label stands as tall as the box.
    // Apart from another label's ring no taller than a line of
    // print, a word read half as tall again may hold a ring as tight
    // (a ring's edge reaching it stretches it too).
    const auto tightRingApart = [&](const OptionInk& unmarked) {
        return std::any_of(
            e.credited.options.begin(), e.credited.options.end(), [&](const OptionInk& ringed) {
                const QRectF& ring = ringed.markBounds;
                return ringed.strength >= kSureMarkStrength && ring.height() >= 1.3 * h &&
                       ring.height() <= 1.7 * h && ring.width() >= 2 * ring.height() &&
                       !ring.intersects(unmarked.spot.box);
            });
    };
    // Recognition can also stretch a word's box over a speck of noise
    // near it: the ink inside then spans no more than a line of print.
    const auto inkAsTall = [&](const QRectF& word) {
        const int span = ink.inkSpanIn(word.toAlignedRect());
        return span >= 0.7 * word.height() && span >= 1.25 * h;
    };
    const bool swallowed = std::any_of(
        e.credited.options.begin(), e.credited.options.end(), [&](const OptionInk& option) {
            return option.strength < kMarkStrength &&
                   option.spot.box.height() >= (tightRingApart(option) ? 1.5 : 1.8) * h &&
                   inkAsTall(option.spot.box) &&
                   std::none_of(e.boxedWords.begin(), e.boxedWords.end(), [&](const QRectF& word) {
                       return word.contains(option.spot.box.center());
                   });
        });
    // A marked label whose box recognition stretched over another
    // label (a tick's arm reaching up into the row above, read as
    // part of that row's word) may hold the other's answer.
    const bool overlapping = std::any_of(
        e.credited.options.begin(), e.credited.options.end(), [&](const OptionInk& option) {
            return option.strength >= kMarkStrength &&
                   std::any_of(e.credited.options.begin(), e.credited.options.end(),
                               [&](const OptionInk& other) {
                                   return &other != &option &&
                                          option.spot.box.contains(other.spot.box.center());
                               });
        });
    // With a label not found, a marked label found only from words read
    // poorly (a ring's "(12)" taken for "11th") may be the missing one.
    const bool markedOnWeakReading = std::any_of(
        e.credited.options.begin(), e.credited.options.end(), [](const OptionInk& option) {
            return option.strength >= kMarkStrength && option.spot.similarity < 0.75;
        });
    bool doubt =
        e.read.doubtful || unclaimed || (stray && e.read.marks.isEmpty()) || overlapping ||
        (unlocated && (e.read.marks.isEmpty() || !e.single || offRow || markedOnWeakReading)) ||
        (swallowed && (e.read.marks.isEmpty() || !e.single));
    // A ring drawn lightly in pencil can be too pale to count as
    // ink: round a label read unmarked, or anywhere among the labels
    // of a question that reads blank, it is in doubt.
    const auto paleRing = [&](const QRectF& where, bool leavingPenOut) {
        const PageInk::Strokes pale = ink.paleStrokesIn(where.toAlignedRect(), h, leavingPenOut);
        return pale.pixels >= 0.3 * h * h && pale.longest >= 0.8 * h;
    };
    for (const OptionInk& option : e.credited.options)
        doubt = doubt ||
                (option.strength < kNoMarkStrength &&
                 paleRing(option.spot.box.adjusted(-0.8 * h, -0.8 * h, 0.8 * h, 0.8 * h), true));
    return doubt || (e.read.marks.isEmpty() && paleRing(e.area, false));
}
