#include "InkRunPieces.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <optional>
#include <utility>

namespace {
int rootOf(std::vector<int>& parent, int i)
{
    while (parent[size_t(i)] != i) {
        parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
        i = parent[size_t(i)];
    }
    return i;
}

// The first ink pixel at or after x, or width. Paper is skipped eight bytes
// at a time: most of a sparse row is paper.
int nextInk(const uchar* row, int x, int width)
{
    while (x + 8 <= width) {
        std::uint64_t word = 0;
        std::memcpy(&word, row + x, sizeof word);
        if (word != 0)
            break;
        x += 8;
    }
    while (x < width && row[x] == 0)
        ++x;
    return x;
}
} // namespace

InkRunPieces::InkRunPieces(const cv::Mat& binary) : m_size(binary.size())
{
    CV_Assert(binary.type() == CV_8U);
    std::vector<Run> runs;
    std::vector<int> parent;
    size_t previousBegin = 0, previousEnd = 0;
    for (int y = 0; y < binary.rows; ++y) {
        const uchar* row = binary.ptr<uchar>(y);
        const size_t begin = runs.size();
        size_t above = previousBegin;
        for (int x = nextInk(row, 0, binary.cols); x < binary.cols;
             x = nextInk(row, x, binary.cols)) {
            const int start = x;
            while (x < binary.cols && row[x] != 0)
                ++x;
            const Run run{y, start, x - 1};
            const int id = int(runs.size());
            runs.push_back(run);
            parent.push_back(id);
            // Runs of the row above touching this one, corners included.
            while (above < previousEnd && runs[above].x1 < run.x0 - 1)
                ++above;
            for (size_t a = above; a < previousEnd && runs[a].x0 <= run.x1 + 1; ++a) {
                const int one = rootOf(parent, int(a)), other = rootOf(parent, id);
                if (one != other)
                    parent[size_t(std::max(one, other))] = std::min(one, other);
            }
        }
        previousBegin = begin;
        previousEnd = runs.size();
    }

    // A piece's place in connectedComponents' order: the first 2 x 2 block,
    // row of blocks by row of blocks, holding one of its pixels. Two pieces
    // never share a block, since the pixels of one touch each other.
    const std::int64_t blocksAcross = (binary.cols + 1) / 2;
    std::vector<int> pieceOf(runs.size(), -1);
    std::vector<std::int64_t> firstBlock;
    std::vector<int> roots;
    for (size_t i = 0; i < runs.size(); ++i) {
        const int root = rootOf(parent, int(i));
        const std::int64_t block = (runs[i].y / 2) * blocksAcross + runs[i].x0 / 2;
        if (pieceOf[size_t(root)] < 0) {
            pieceOf[size_t(root)] = int(roots.size());
            roots.push_back(root);
            firstBlock.push_back(block);
        }
        const int piece = pieceOf[size_t(root)];
        pieceOf[i] = piece;
        firstBlock[size_t(piece)] = std::min(firstBlock[size_t(piece)], block);
    }
    std::vector<int> order(roots.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return firstBlock[size_t(a)] < firstBlock[size_t(b)]; });
    std::vector<int> label(roots.size());
    for (size_t k = 0; k < order.size(); ++k)
        label[size_t(order[k])] = int(k) + 1;

    // Runs grouped by label, each group still in row order.
    const size_t pieces = roots.size();
    m_starts.assign(pieces + 2, 0);
    for (size_t i = 0; i < runs.size(); ++i)
        ++m_starts[size_t(label[size_t(pieceOf[i])]) + 1];
    std::partial_sum(m_starts.begin(), m_starts.end(), m_starts.begin());
    m_runs.resize(runs.size());
    std::vector<int> next(m_starts.begin(), m_starts.end() - 1);
    for (size_t i = 0; i < runs.size(); ++i)
        m_runs[size_t(next[size_t(label[size_t(pieceOf[i])])]++)] = runs[i];

    m_bounds.assign(pieces + 1, cv::Rect());
    m_areas.assign(pieces + 1, 0);
    for (size_t piece = 1; piece <= pieces; ++piece) {
        int left = binary.cols, top = binary.rows, right = -1, bottom = -1, area = 0;
        for (int r = m_starts[piece]; r < m_starts[piece + 1]; ++r) {
            const Run& run = m_runs[size_t(r)];
            left = std::min(left, run.x0);
            right = std::max(right, run.x1);
            top = std::min(top, run.y);
            bottom = std::max(bottom, run.y);
            area += run.x1 - run.x0 + 1;
        }
        m_bounds[piece] = cv::Rect(left, top, right - left + 1, bottom - top + 1);
        m_areas[piece] = area;
    }
}

cv::Mat InkRunPieces::mask(int piece, const cv::Rect& rect) const
{
    cv::Mat out = cv::Mat::zeros(rect.size(), CV_8U);
    if (piece < 1 || piece >= count())
        return out;
    for (int r = m_starts[size_t(piece)]; r < m_starts[size_t(piece) + 1]; ++r) {
        const Run& run = m_runs[size_t(r)];
        if (run.y < rect.y || run.y >= rect.y + rect.height)
            continue;
        const int from = std::max(run.x0, rect.x), to = std::min(run.x1, rect.x + rect.width - 1);
        if (from <= to)
            std::memset(out.ptr<uchar>(run.y - rect.y) + (from - rect.x), 255,
                        size_t(to - from + 1));
    }
    return out;
}

cv::Mat InkRunPieces::labels() const
{
    cv::Mat out = cv::Mat::zeros(m_size, CV_32S);
    for (int piece = 1; piece < count(); ++piece)
        for (int r = m_starts[size_t(piece)]; r < m_starts[size_t(piece) + 1]; ++r) {
            const Run& run = m_runs[size_t(r)];
            std::fill_n(out.ptr<int>(run.y) + run.x0, run.x1 - run.x0 + 1, piece);
        }
    return out;
}

void InkRunPieces::paint(int piece, cv::Mat& image) const
{
    CV_Assert(image.type() == CV_8U && image.size() == m_size);
    if (piece < 1 || piece >= count())
        return;
    for (int r = m_starts[size_t(piece)]; r < m_starts[size_t(piece) + 1]; ++r) {
        const Run& run = m_runs[size_t(r)];
        std::memset(image.ptr<uchar>(run.y) + run.x0, 255, size_t(run.x1 - run.x0 + 1));
    }
}

namespace {
// What an opening by `length` keeps of the run [first, last] of a line of
// `size` pixels, as OpenCV's erosion then dilation give it: erosion's windows
// start `length / 2` before their anchor and count the outside as ink,
// dilation's as paper.
std::optional<std::pair<int, int>> keptOfRun(int first, int last, int size, int length)
{
    constexpr std::int64_t far = std::numeric_limits<int>::max();
    const std::int64_t anchor = length / 2;
    const std::int64_t from = first == 0 ? -far : first;
    const std::int64_t to = last == size - 1 ? far : last;
    // Windows wholly of ink, by their first pixel, whose anchor is on the line.
    const std::int64_t windowsFrom = std::max(from, -anchor);
    const std::int64_t windowsTo = std::min(to - length + 1, size - 1 - anchor);
    if (windowsFrom > windowsTo)
        return std::nullopt;
    const std::int64_t keptFrom = std::max<std::int64_t>(0, windowsFrom + 2 * anchor - length + 1);
    const std::int64_t keptTo = std::min<std::int64_t>(size - 1, windowsTo + 2 * anchor);
    if (keptFrom > keptTo)
        return std::nullopt;
    return std::pair<int, int>(int(keptFrom), int(keptTo));
}
} // namespace

cv::Mat openedAcross(const cv::Mat& binary, int length)
{
    CV_Assert(binary.type() == CV_8U && length >= 1);
    cv::Mat out = cv::Mat::zeros(binary.size(), CV_8U);
    for (int y = 0; y < binary.rows; ++y) {
        const uchar* row = binary.ptr<uchar>(y);
        uchar* kept = out.ptr<uchar>(y);
        for (int x = nextInk(row, 0, binary.cols); x < binary.cols;
             x = nextInk(row, x, binary.cols)) {
            const int first = x;
            while (x < binary.cols && row[x] != 0)
                ++x;
            if (const auto part = keptOfRun(first, x - 1, binary.cols, length))
                std::memset(kept + part->first, 255, size_t(part->second - part->first + 1));
        }
    }
    return out;
}

cv::Mat openedDown(const cv::Mat& binary, int length)
{
    CV_Assert(binary.type() == CV_8U && length >= 1);
    cv::Mat out = cv::Mat::zeros(binary.size(), CV_8U);
    const int width = binary.cols, height = binary.rows;
    // Per column, the row where its current run of ink began, and whether
    // one is open, kept as bytes so that eight columns are looked at at once.
    std::vector<int> began(size_t(width), 0);
    std::vector<uchar> open(size_t(width) + 8, 0);
    const auto close = [&](int x, int last) {
        open[size_t(x)] = 0;
        if (const auto part = keptOfRun(began[size_t(x)], last, height, length))
            for (int y = part->first; y <= part->second; ++y)
                out.at<uchar>(y, x) = 255;
    };
    for (int y = 0; y < height; ++y) {
        const uchar* row = binary.ptr<uchar>(y);
        int x = 0;
        while (x < width) {
            if (x + 8 <= width) {
                std::uint64_t ink = 0, running = 0;
                std::memcpy(&ink, row + x, sizeof ink);
                std::memcpy(&running, open.data() + x, sizeof running);
                if ((ink | running) == 0) {
                    x += 8;
                    continue;
                }
            }
            const int end = std::min(width, x + 8);
            for (; x < end; ++x) {
                if (row[x] != 0 && !open[size_t(x)]) {
                    open[size_t(x)] = 1;
                    began[size_t(x)] = y;
                } else if (row[x] == 0 && open[size_t(x)]) {
                    close(x, y - 1);
                }
            }
        }
    }
    for (int x = 0; x < width; ++x)
        if (open[size_t(x)])
            close(x, height - 1);
    return out;
}
