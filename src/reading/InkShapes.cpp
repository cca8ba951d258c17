#include "InkShapes.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {
// The largest stretch of paper the mask's ink closes round, and its area.
std::pair<cv::Rect, double> largestHole(const cv::Mat& own)
{
    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(own, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_SIMPLE);
    std::pair<cv::Rect, double> largest{{}, 0.0};
    for (size_t k = 0; k < contours.size(); ++k) {
        if (hierarchy[k][3] < 0)
            continue;
        const double area = std::abs(cv::contourArea(contours[k]));
        if (area > largest.second)
            largest = {cv::boundingRect(contours[k]), area};
    }
    return largest;
}
} // namespace

// The rectangle whose four straight sides the mask's ink draws, also with
// a tick, cross or filling drawn over it; rounded corners allowed. A square
// one for a check box (the sides found among ink that overshoots them), or
// any proportions for an answer frame. Empty when there is none.
QRect outlineInMask(const cv::Mat& mask, bool square)
{
    const int w = mask.cols, h = mask.rows;
    if (w < 6 || h < 6)
        return {};
    cv::Mat columns, rows;
    cv::reduce(mask / 255, columns, 0, cv::REDUCE_SUM, CV_32S);
    cv::reduce(mask / 255, rows, 1, cv::REDUCE_SUM, CV_32S);
    // The sides: the outermost lines of ink that run most of the way across;
    // a tick or cross drawn over the box only adds to them.
    const double fullColumn = 0.6 * (square ? std::min(w, h) : h);
    const double fullRow = 0.6 * (square ? std::min(w, h) : w);
    const auto outer = [](const cv::Mat& counts, int n, double full) -> std::pair<int, int> {
        int first = -1, last = -1;
        for (int i = 0; i < n; ++i) {
            if (counts.at<int>(i) >= full) {
                if (first < 0)
                    first = i;
                last = i;
            }
        }
        return {first, last};
    };
    const auto [left, right] = outer(columns, w, fullColumn);
    const auto [top, bottom] = outer(rows, h, fullRow);
    const int across = right - left, down = bottom - top;
    if (left < 0 || top < 0)
        return {};
    if (square && (across < 0.5 * std::min(w, h) || down < 0.5 * std::min(w, h) ||
                   std::abs(across - down) > 0.25 * std::max(across, down)))
        return {};
    if (!square && (across < 0.8 * w || down < 0.8 * h))
        return {};
    // Each side a straight stroke over most of its length (rounded corners
    // shorten it); round letters and rings fail here.
    const auto solid = [&](bool vertical, int at, int step) {
        int best = 0;
        for (int k = 0; k < 3; ++k) {
            const int line = at + k * step;
            if (line < 0 || line >= (vertical ? w : h))
                break;
            const cv::Mat strip = vertical ? mask(cv::Rect(line, top, 1, down + 1))
                                           : mask(cv::Rect(left, line, across + 1, 1));
            best = std::max(best, cv::countNonZero(strip));
        }
        return best >= 0.72 * ((vertical ? down : across) + 1);
    };
    if (!solid(true, left, 1) || !solid(true, right, -1) || !solid(false, top, 1) ||
        !solid(false, bottom, -1))
        return {};
    return {left, top, across + 1, down + 1};
}

// Boxes one above the other, joined into one piece: the rows [first, last)
// of each, cut halfway between one box's bottom side and the next one's top
// (bands of rows running most of the way across, paired top and bottom).
std::vector<std::pair<int, int>> stackedParts(const cv::Mat& mask, double h)
{
    cv::Mat counts;
    cv::reduce(mask / 255, counts, 1, cv::REDUCE_SUM, CV_32S);
    std::vector<std::pair<int, int>> sides;
    for (int y = 0; y < mask.rows; ++y) {
        if (counts.at<int>(y) < 0.5 * mask.cols)
            continue;
        if (!sides.empty() && y - sides.back().second <= 2)
            sides.back().second = y;
        else
            sides.emplace_back(y, y);
    }
    std::vector<std::pair<int, int>> parts;
    int first = 0;
    for (size_t k = 0; k + 2 < sides.size(); k += 2) {
        const int tall = sides[k + 1].second - sides[k].first + 1;
        if (tall < 0.7 * h || tall > 2.8 * h)
            return {{0, mask.rows}};
        const int cut = (sides[k + 1].second + sides[k + 2].first + 1) / 2;
        parts.emplace_back(first, cut);
        first = cut;
    }
    parts.emplace_back(first, mask.rows);
    return parts;
}

// A ring drawn round print, touching its letters or not, encloses a stretch
// of paper far larger than a letter's own holes (o, e, 8) or an empty check
// box's inside: wider than a long letter or taller than print.
bool enclosesPaper(const cv::Mat& own, double h)
{
    const auto [hole, area] = largestHole(own);
    return area >= 0.45 * h * h && (hole.height >= 0.95 * h || hole.width >= 1.5 * h);
}

// A long ring's flattest stretch looks like a printed rule. The rule's ink
// (taken from `ink` round `line`) then closes round a label-sized stretch of
// paper without drawing a frame's straight sides.
bool ringStretch(const cv::Mat& ink, const cv::Rect& line, double h)
{
    const cv::Rect page(0, 0, ink.cols, ink.rows);
    const int dx = int(std::lround(h)), dy = int(std::lround(3 * h));
    const cv::Rect around =
        cv::Rect(line.x - dx, line.y - dy, line.width + 2 * dx, line.height + 2 * dy) & page;
    cv::Mat labels;
    cv::connectedComponents(ink(around), labels, 8, CV_32S);
    std::vector<cv::Point> onLine;
    cv::findNonZero(ink(line), onLine);
    if (onLine.empty())
        return false;
    const int id = labels.at<int>(onLine.front() + line.tl() - around.tl());
    const cv::Mat own = labels == id;
    const cv::Rect bounds = cv::boundingRect(own);
    // An answer frame to write in stands taller than a ring round one line
    // of print, whose long flat sides can pass for a frame's.
    if (bounds.height > 1.8 * h && !outlineInMask(own(bounds), false).isEmpty())
        return false;
    const auto [hole, area] = largestHole(own(bounds));
    return area >= 1.5 * h * h && hole.width >= 2 * h;
}

bool lettersSideBySide(const cv::Mat& mask, double h)
{
    cv::Mat labels, stats, centres;
    const int count = cv::connectedComponentsWithStats(mask, labels, stats, centres, 8, CV_32S);
    std::vector<cv::Rect> letters;
    for (int i = 1; i < count; ++i) {
        const cv::Rect r(stats.at<int>(i, cv::CC_STAT_LEFT), stats.at<int>(i, cv::CC_STAT_TOP),
                         stats.at<int>(i, cv::CC_STAT_WIDTH), stats.at<int>(i, cv::CC_STAT_HEIGHT));
        if (r.height >= 0.55 * h && r.height <= 1.1 * h && r.width >= 0.3 * h && r.width <= 1.1 * h)
            letters.push_back(r);
    }
    for (const cv::Rect& a : letters)
        for (const cv::Rect& b : letters)
            if (a.x + a.width <= b.x && b.x - (a.x + a.width) <= 0.4 * h &&
                std::abs((a.y + a.height) - (b.y + b.height)) <= 0.2 * h)
                return true;
    return false;
}

// How much of each side of `box` the ink draws, the least of the four:
// each place along a side counts where ink lies within two pixels of it.
double sideCover(const cv::Mat& ink, const QRect& box)
{
    const int t = 2;
    const cv::Rect page(0, 0, ink.cols, ink.rows);
    const auto cover = [&](const cv::Rect& strip, bool across) {
        const cv::Rect r = strip & page;
        if (r.empty() || r != strip)
            return 0.0;
        cv::Mat line;
        cv::reduce(ink(r), line, across ? 0 : 1, cv::REDUCE_MAX);
        return double(cv::countNonZero(line)) / double(line.total());
    };
    const int x = box.x(), y = box.y(), w = box.width(), h = box.height();
    return std::min({cover(cv::Rect(x + t, y - t, w - 2 * t, 2 * t + 1), true),
                     cover(cv::Rect(x + t, y + h - 1 - t, w - 2 * t, 2 * t + 1), true),
                     cover(cv::Rect(x - t, y + t, 2 * t + 1, h - 2 * t), false),
                     cover(cv::Rect(x + w - 1 - t, y + t, 2 * t + 1, h - 2 * t), false)});
}
