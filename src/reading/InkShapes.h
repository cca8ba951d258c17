#pragma once

// Shapes the ink of one piece draws, in masks of 255 for ink: a check box's
// square, boxes stacked into one piece, a ring round paper. What the page's
// ink is sorted by.

#include <QRect>
#include <opencv2/core.hpp>
#include <utility>
#include <vector>

// The rectangle whose four straight sides the mask's ink draws, also with
// a tick, cross or filling drawn over it; rounded corners allowed. A square
// one for a check box (the sides found among ink that overshoots them), or
// any proportions for an answer frame. Empty when there is none.
QRect outlineInMask(const cv::Mat& mask, bool square);

// Boxes one above the other, joined into one piece: the rows [first, last)
// of each, cut halfway between one box's bottom side and the next one's top.
std::vector<std::pair<int, int>> stackedParts(const cv::Mat& mask, double h);

// Whether the piece closes round a stretch of paper far larger than a
// letter's own holes or an empty check box's inside: a ring round print.
bool enclosesPaper(const cv::Mat& own, double h);

// Whether a stretch taken for a printed rule at `line` is a long ring's
// flattest side: its ink closes round a label-sized stretch of paper.
bool ringStretch(const cv::Mat& ink, const cv::Rect& line, double h);

// Whether two letters stand side by side on one line in the mask: pieces
// of print height, no wider than a letter, a small gap apart, their feet
// level. No tick, cross or filling inside a check box draws that.
bool lettersSideBySide(const cv::Mat& mask, double h);

// How much of each side of `box` the ink mask draws, the least of the four:
// each place along a side counts where ink lies within two pixels of it.
double sideCover(const cv::Mat& ink, const QRect& box);
