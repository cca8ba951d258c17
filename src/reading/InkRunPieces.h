#pragma once

#include <opencv2/core.hpp>
#include <span>
#include <vector>

// The 8-connected pieces of a binary image (non-zero is ink), found from its
// runs of ink instead of pixel by pixel. On a page whose ink is sparse (the
// straight lines taken out of the print, the print closed over small gaps)
// this costs a fraction of labelling every pixel, and no label image is
// kept. Pieces are numbered from 1 in the order
// cv::connectedComponentsWithStats gives them (by the first 2 x 2 block of
// the page, row by row, that holds ink of theirs), so a reading taken with
// either is the same.
class InkRunPieces
{
public:
    struct Run
    {
        int y = 0;
        int x0 = 0; // first ink pixel
        int x1 = 0; // last ink pixel
    };

    explicit InkRunPieces(const cv::Mat& binary); // CV_8U

    // Pieces plus one, as connectedComponents counts the paper as label 0.
    int count() const { return int(m_bounds.size()); }
    const cv::Rect& bounds(int piece) const { return m_bounds[size_t(piece)]; }
    int area(int piece) const { return m_areas[size_t(piece)]; }
    // 255 where the piece lies inside `rect`, 0 elsewhere: what
    // `labels(rect) == piece` gives on connectedComponents' labels.
    cv::Mat mask(int piece, const cv::Rect& rect) const;
    // Every pixel's piece, 0 for paper (CV_32S): connectedComponents' labels.
    cv::Mat labels() const;
    // The piece's runs of ink, row by row.
    std::span<const Run> runs(int piece) const
    {
        return {m_runs.data() + m_starts[size_t(piece)],
                size_t(m_starts[size_t(piece) + 1] - m_starts[size_t(piece)])};
    }
    // Sets the piece's pixels to 255 in `image`, a CV_8U image of the
    // binary image's size.
    void paint(int piece, cv::Mat& image) const;

private:
    cv::Size m_size;
    std::vector<Run> m_runs;   // grouped by piece, in row order within each
    std::vector<int> m_starts; // piece i's runs are [m_starts[i], m_starts[i + 1])
    std::vector<cv::Rect> m_bounds;
    std::vector<int> m_areas;
};

// cv::morphologyEx(binary, MORPH_OPEN) with a rectangle one pixel across and
// `length` pixels long, lying (openedAcross) or standing (openedDown), and
// OpenCV's default anchor and borders; worked out from the runs of ink, which
// on a page costs a fraction of sliding the rectangle over every pixel. What
// stays of each run at least `length` long is all of it, a pixel further on
// for an even length (the anchor's place), and runs reaching the picture's
// edge count as going on beyond it. The result is 255 for ink, 0 elsewhere.
cv::Mat openedAcross(const cv::Mat& binary, int length);
cv::Mat openedDown(const cv::Mat& binary, int length);
