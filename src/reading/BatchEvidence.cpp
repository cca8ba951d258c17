#include "BatchEvidence.h"

#include "PageImages.h"
#include "ReviewSnippets.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {
const RegionReading* regionOf(const PageReading& page, qint64 questionNumber)
{
    for (const RegionReading& region : page.regions)
        if (region.questionNumber == questionNumber && !region.promptLine.isNull())
            return &region;
    return nullptr;
}

const LabelPlace* placeOf(const RegionReading& region, const QString& label)
{
    for (const LabelPlace& place : region.labels)
        if (place.label == label)
            return &place;
    return nullptr;
}

// A label's box measured from its question's wording, which a page fed a
// little further along moves with it.
QRectF fromPrompt(const LabelPlace& place, const RegionReading& region)
{
    return place.box.translated(-region.promptLine.topLeft());
}

double medianOf(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

bool sameForm(const PageReading& a, const PageReading& b)
{
    int total = 0, agreeing = 0;
    for (const RegionReading& ra : a.regions) {
        const RegionReading* rb = ra.promptLine.isNull() ? nullptr : regionOf(b, ra.questionNumber);
        if (!rb)
            continue;
        const double h = std::min(ra.printHeight, rb->printHeight);
        for (const LabelPlace& la : ra.labels) {
            const LabelPlace* lb = placeOf(*rb, la.label);
            if (!la.clean || !lb || !lb->clean)
                continue;
            ++total;
            const QRectF pa = fromPrompt(la, ra), pb = fromPrompt(*lb, *rb);
            if (std::abs(pa.left() - pb.left()) <= 0.6 * h &&
                std::abs(pa.top() - pb.top()) <= 0.6 * h &&
                std::abs(pa.width() - pb.width()) <= 0.6 * h)
                ++agreeing;
        }
    }
    return total >= 4 && agreeing >= 0.8 * total;
}

namespace {
// Where the other sheets of a form print one label, measured from its
// question's wording: the medians over those that read it cleanly.
struct FormPlace
{
    QRectF box; // median left, top, right and bottom
    double width = 0;
    double inkPixels = 0;
};

std::optional<FormPlace> formPlaceOf(const QList<PageReading>& readings,
                                     const QList<qsizetype>& peers, qint64 questionNumber,
                                     const QString& label)
{
    QList<double> left, right, top, bottom, width, inkPixels;
    for (const qsizetype j : peers) {
        const RegionReading* other = regionOf(readings[j], questionNumber);
        const LabelPlace* there = other ? placeOf(*other, label) : nullptr;
        if (!there || !there->clean)
            continue;
        const QRectF box = fromPrompt(*there, *other);
        left.append(box.left());
        right.append(box.right());
        top.append(box.top());
        bottom.append(box.bottom());
        width.append(box.width());
        inkPixels.append(there->inkPixels);
    }
    if (left.size() < 2)
        return std::nullopt;
    return FormPlace{
        QRectF(QPointF(medianOf(left), medianOf(top)), QPointF(medianOf(right), medianOf(bottom))),
        medianOf(width), medianOf(inkPixels)};
}

// Whether an unmarked label's box reaches well past where its form prints
// it, with more ink in it.
bool stretchedPast(const LabelPlace& place, const RegionReading& region, const FormPlace& form)
{
    const double h = region.printHeight;
    // Recognition's box can reach past the letters over bare paper too: a
    // mark adds ink.
    if (place.marked || place.inkPixels < form.inkPixels + 0.25 * h * h)
        return false;
    const QRectF here = fromPrompt(place, region);
    if (here.top() < form.box.top() - h || here.bottom() > form.box.bottom() + h)
        return true;
    // Its right end where the form prints it, and wider by a letter or more:
    // the question's wording read a little wider or narrower moves the whole
    // box, not its width.
    if (here.left() >= form.box.left() - 0.5 * h || here.width() <= form.width + 0.9 * h ||
        std::abs(here.right() - form.box.right()) > 0.5 * h)
        return false;
    // A mark credited to another label reaching into the box (a tick's arm
    // from the row below) explains it.
    const QRectF before(place.box.left(), place.box.top(), form.box.left() - here.left(),
                        place.box.height());
    return std::none_of(region.labels.begin(), region.labels.end(), [&](const LabelPlace& other) {
        return other.marked && other.ink.intersects(before);
    });
}
} // namespace

QList<std::pair<qsizetype, qsizetype>>
labelsStretchedPastTheirForm(const QList<PageReading>& readings)
{
    const qsizetype n = readings.size();
    QList<QList<qsizetype>> peers(n);
    for (qsizetype i = 0; i < n; ++i)
        for (qsizetype j = i + 1; j < n; ++j)
            if (sameForm(readings[i], readings[j])) {
                peers[i].append(j);
                peers[j].append(i);
            }
    QList<std::pair<qsizetype, qsizetype>> stretched;
    for (qsizetype i = 0; i < n; ++i) {
        // Cross-sheet evidence starts at three sheets of one form.
        if (peers[i].size() < 2)
            continue;
        const QList<RegionReading>& regions = readings[i].regions;
        for (qsizetype r = 0; r < regions.size(); ++r) {
            const RegionReading& region = regions[r];
            if (region.needsReview || region.promptLine.isNull())
                continue;
            const bool past = std::any_of(
                region.labels.begin(), region.labels.end(), [&](const LabelPlace& place) {
                    const std::optional<FormPlace> form =
                        formPlaceOf(readings, peers[i], region.questionNumber, place.label);
                    return form && stretchedPast(place, region, *form);
                });
            if (past)
                stretched.append({i, r});
        }
    }
    return stretched;
}

void weighAcrossSheets(const QList<ScanPage>& pages, QList<PageReading>& readings,
                       const ReadingSetup& setup)
{
    std::optional<qsizetype> decodedPage;
    QImage level;
    for (const auto& [page, region] : labelsStretchedPastTheirForm(readings)) {
        RegionReading& reading = readings[page].regions[region];
        reading.needsReview = true;
        if (setup.crops.kind == CropPlacement::Kind::nowhere || page >= pages.size())
            continue;
        // The page as it was read, for the crop only.
        if (decodedPage != page) {
            decodedPage = page;
            level = QImage();
            const DecodedPage decoded = decodePageImage(pages[page].fileURL);
            const PageTurn& turn = readings[page].turn;
            if (const std::optional<QImage> turned =
                    decoded.image.isNull() ? std::nullopt
                                           : rotatedImage(decoded.image, turn.quarterTurns))
                level = straightenedImage(*turned, -turn.skewDegrees);
        }
        if (!level.isNull())
            reading.cropPng = snippetPng(level, reading.cropRect);
    }
}
