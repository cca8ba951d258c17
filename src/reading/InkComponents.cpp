#include "InkComponents.h"

#include "InkRunPieces.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

QList<InkComponent> inkComponents(const QImage& grey, int threshold)
{
    QList<InkComponent> components;
    if (grey.format() != QImage::Format_Grayscale8 || grey.isNull())
        return components;
    const cv::Mat page(grey.height(), grey.width(), CV_8U, const_cast<uchar*>(grey.constBits()),
                       size_t(grey.bytesPerLine()));
    cv::Mat dark;
    cv::threshold(page, dark, threshold - 1, 255, cv::THRESH_BINARY_INV);
    const InkRunPieces pieces(dark);
    components.reserve(pieces.count() - 1);
    for (int i = 1; i < pieces.count(); ++i) {
        const cv::Rect& b = pieces.bounds(i);
        InkComponent component{QRect(b.x, b.y, b.width, b.height), pieces.area(i), {}};
        for (const InkRunPieces::Run& run : pieces.runs(i))
            component.runs.append({run.y, run.x0, run.x1});
        components.append(component);
    }
    return components;
}

int typicalPrintHeight(const QList<InkComponent>& components)
{
    std::vector<int> heights;
    for (const InkComponent& component : components)
        if (component.pixels >= 15 && component.bounds.height() >= 6)
            heights.push_back(component.bounds.height());
    if (heights.empty())
        return 0;
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    return heights[heights.size() / 2];
}

namespace {

bool enclosesPrint(const InkComponent& outer, const QList<InkComponent>& components,
                   int printHeight)
{
    for (const InkComponent& inner : components) {
        if (&inner == &outer || inner.bounds.height() * 10 < printHeight * 3)
            continue;
        if (outer.bounds.contains(inner.bounds, true))
            return true;
    }
    return false;
}

// Cells of printHeight pixels that lie within half a print height of a
// piece of ink bigger than a speck (a letter, a point's letter, a line).
std::vector<bool> printNeighbourhood(const QList<InkComponent>& components, int printHeight,
                                     const QSize& size)
{
    const int cell = printHeight;
    const int columns = (size.width() + cell - 1) / cell;
    const int rows = (size.height() + cell - 1) / cell;
    std::vector<bool> near(std::size_t(columns) * std::size_t(rows), false);
    const int reach = printHeight / 2;
    for (const InkComponent& component : components) {
        const QRect& b = component.bounds;
        if (std::max(b.width(), b.height()) * 5 <= printHeight)
            continue;
        const int x0 = std::max(0, (b.left() - reach) / cell);
        const int x1 = std::min(columns - 1, (b.right() + reach) / cell);
        const int y0 = std::max(0, (b.top() - reach) / cell);
        const int y1 = std::min(rows - 1, (b.bottom() + reach) / cell);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                near[std::size_t(y) * columns + x] = true;
    }
    return near;
}

// The run and the grey fringe round it, leaving other dark ink alone.
void wipeRun(QImage& image, const InkRun& run, int threshold)
{
    std::fill_n(image.scanLine(run.y) + run.x0, run.x1 - run.x0 + 1, uchar(255));
    const int left = std::max(0, run.x0 - 1), right = std::min(image.width() - 1, run.x1 + 1);
    for (int y = std::max(0, run.y - 1); y <= std::min(image.height() - 1, run.y + 1); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = left; x <= right; ++x)
            if (row[x] >= threshold)
                row[x] = 255;
    }
}

} // namespace

std::optional<QRect> checkBoxSquare(const InkComponent& component)
{
    const QRect& box = component.bounds;
    const int w = box.width(), h = box.height();
    if (w < 8 || h < 8)
        return std::nullopt;
    std::vector<uchar> ink(std::size_t(w) * std::size_t(h), 0);
    std::vector<int> columns(w, 0), rows(h, 0);
    for (const InkRun& run : component.runs) {
        const int y = run.y - box.top();
        rows[y] += run.x1 - run.x0 + 1;
        for (int x = run.x0 - box.left(); x <= run.x1 - box.left(); ++x) {
            ++columns[x];
            ink[std::size_t(y) * w + x] = 1;
        }
    }
    // The sides of the square: the first and last lines of ink that run most
    // of the way across; a tick or cross drawn over the box only adds to them.
    const double full = 0.6 * std::min(w, h);
    const auto outerLines = [full](const std::vector<int>& counts) -> std::pair<int, int> {
        int first = -1, last = -1;
        for (int i = 0; i < int(counts.size()); ++i) {
            if (counts[i] >= full) {
                if (first < 0)
                    first = i;
                last = i;
            }
        }
        return {first, last};
    };
    const auto [left, right] = outerLines(columns);
    const auto [top, bottom] = outerLines(rows);
    const int across = right - left, down = bottom - top;
    if (left < 0 || top < 0 || across < 0.5 * std::min(w, h) || down < 0.5 * std::min(w, h))
        return std::nullopt;
    if (std::abs(across - down) > 0.25 * std::max(across, down))
        return std::nullopt;
    // Each side is a straight stroke from corner to corner (allowing a slight
    // tilt over three pixels): round letters ("o", "O") and letters whose
    // strokes cross inside ("H", "#") fail here.
    const auto solidSide = [&](bool vertical, int at, int step) {
        int best = 0;
        for (int k = 0; k < 3; ++k) {
            const int line = at + k * step;
            if (line < 0 || line >= (vertical ? w : h))
                break;
            int count = 0;
            if (vertical) {
                for (int y = top; y <= bottom; ++y)
                    count += ink[std::size_t(y) * w + line];
            } else {
                for (int x = left; x <= right; ++x)
                    count += ink[std::size_t(line) * w + x];
            }
            best = std::max(best, count);
        }
        return best >= 0.9 * ((vertical ? down : across) + 1);
    };
    if (!solidSide(true, left, 1) || !solidSide(true, right, -1) || !solidSide(false, top, 1) ||
        !solidSide(false, bottom, -1))
        return std::nullopt;
    // The sides meet in sharp corners; a bold round letter's are empty.
    const auto cornerInked = [&](int x, int y, int dx, int dy) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                if (ink[std::size_t(y + j * dy) * w + (x + i * dx)])
                    return true;
        return false;
    };
    if (!cornerInked(left, top, 1, 1) || !cornerInked(right, top, -1, 1) ||
        !cornerInked(left, bottom, 1, -1) || !cornerInked(right, bottom, -1, -1))
        return std::nullopt;
    return QRect(box.left() + left, box.top() + top, across + 1, down + 1);
}

QImage withoutMarksAndBoxes(const QImage& grey)
{
    constexpr int kInkThreshold = kPrintInkThreshold;
    const QList<InkComponent> components = inkComponents(grey, kInkThreshold);
    const int printHeight = typicalPrintHeight(components);
    if (printHeight == 0)
        return grey;
    QImage cleaned;
    const auto wipe = [&](const InkComponent& component, const QRect& within) {
        if (cleaned.isNull())
            cleaned = grey.copy();
        for (const InkRun& run : component.runs) {
            if (run.y < within.top() || run.y > within.bottom())
                continue;
            InkRun part = run;
            part.x0 = std::max(run.x0, within.left());
            part.x1 = std::min(run.x1, within.right());
            if (part.x0 <= part.x1)
                wipeRun(cleaned, part, kInkThreshold);
        }
    };
    const std::vector<bool> nearPrint = printNeighbourhood(components, printHeight, grey.size());
    const int cell = printHeight;
    const int columns = (grey.width() + cell - 1) / cell;
    for (const InkComponent& component : components) {
        const QRect& bounds = component.bounds;
        if (std::max(bounds.width(), bounds.height()) * 5 <= printHeight) {
            // A speck of dirt or scanner noise away from any print: Tesseract
            // would stretch a nearby word's box over it.
            const QPoint centre = bounds.center();
            if (!nearPrint[std::size_t(centre.y() / cell) * columns + centre.x() / cell])
                wipe(component, bounds);
            continue;
        }
        if (bounds.height() * 10 < printHeight * 7 || bounds.height() > printHeight * 4)
            continue;
        if (bounds.height() * 2 > printHeight * 3) {
            // A ring is a thin line round empty paper and the print it rings.
            const double fill = double(component.pixels) / double(bounds.width() * bounds.height());
            if (fill <= 0.3 && enclosesPrint(component, components, printHeight)) {
                wipe(component, bounds);
                continue;
            }
        }
        // Boxes stand clearly taller than the print's median height; bold
        // round letters and points with square corners do not.
        const std::optional<QRect> square = checkBoxSquare(component);
        if (square && square->height() * 4 >= printHeight * 5) {
            // A tick reaching far beyond the box may have run into the
            // label's first letter: wipe only round the box then.
            const int reach = square->width() / 2;
            const QRect near = square->adjusted(-reach, -reach, reach, reach);
            wipe(component, near.contains(bounds) ? bounds : near);
        }
    }
    return cleaned.isNull() ? grey : cleaned;
}

QRectF tightenedToLetters(const QRectF& box, const QList<InkComponent>& components, int printHeight)
{
    QRectF letters;
    for (const InkComponent& component : components) {
        const QRect& b = component.bounds;
        if (!box.contains(QRectF(b).center()) || b.height() * 4 < printHeight ||
            b.height() > 3 * printHeight)
            continue;
        letters = letters.isNull() ? QRectF(b) : letters.united(QRectF(b));
    }
    return letters.isNull() ? box : letters;
}
