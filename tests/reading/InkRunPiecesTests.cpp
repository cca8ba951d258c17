#include "reading/InkRunPieces.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace {

// Every piece as OpenCV's labelling gives it: number, bounds, area, pixels.
void expectSameAsOpenCV(const cv::Mat& binary)
{
    cv::Mat labels, stats, centres;
    const int count = cv::connectedComponentsWithStats(binary, labels, stats, centres, 8, CV_32S);
    const InkRunPieces pieces(binary);
    ASSERT_EQ(pieces.count(), count);
    for (int i = 1; i < count; ++i) {
        const cv::Rect expected(
            stats.at<int>(i, cv::CC_STAT_LEFT), stats.at<int>(i, cv::CC_STAT_TOP),
            stats.at<int>(i, cv::CC_STAT_WIDTH), stats.at<int>(i, cv::CC_STAT_HEIGHT));
        ASSERT_EQ(pieces.bounds(i), expected) << "piece " << i;
        ASSERT_EQ(pieces.area(i), stats.at<int>(i, cv::CC_STAT_AREA)) << "piece " << i;
        // A wider window than the piece also holds no pixel of another.
        const cv::Rect around = (expected + cv::Size(4, 4) - cv::Point(2, 2)) &
                                cv::Rect(0, 0, binary.cols, binary.rows);
        ASSERT_EQ(cv::countNonZero(pieces.mask(i, around) != (labels(around) == i)), 0)
            << "piece " << i;
    }
    EXPECT_EQ(cv::countNonZero(pieces.labels() != labels), 0);
    // Painting every other piece leaves the rest paper.
    cv::Mat painted = cv::Mat::zeros(binary.size(), CV_8U);
    for (int i = 1; i < count; i += 2)
        pieces.paint(i, painted);
    cv::Mat odd = cv::Mat::zeros(binary.size(), CV_8U);
    for (int i = 1; i < count; i += 2)
        odd.setTo(255, labels == i);
    EXPECT_EQ(cv::countNonZero(painted != odd), 0);
}

TEST(InkRunPieces, NumbersAndOutlinesPiecesAndOpensRunsAsOpenCVDoes)
{
    // A form's kinds of ink on an odd-sized page: print-like blobs, long
    // rules, box outlines, a ring, and strokes meeting only corner to
    // corner; pieces starting on odd rows and columns, where the order of
    // first pixels and of first 2 x 2 blocks differ.
    cv::Mat page = cv::Mat::zeros(301, 257, CV_8U);
    cv::line(page, {5, 20}, {250, 20}, 255, 2);
    cv::rectangle(page, {11, 41}, {31, 61}, 255, 2);
    cv::rectangle(page, {12, 81}, {30, 99}, 255, cv::FILLED);
    cv::ellipse(page, {120, 70}, {40, 15}, 0, 0, 360, 255, 3);
    cv::line(page, {60, 150}, {100, 190}, 255, 1);
    cv::line(page, {101, 191}, {140, 150}, 255, 1);
    page.at<uchar>(3, 9) = 255;  // odd row, later column
    page.at<uchar>(2, 40) = 255; // even row, same block row
    page.at<uchar>(300, 256) = 255;
    page.at<uchar>(0, 0) = 255;

    // Scattered specks: many pieces, joins through diagonals only.
    cv::Mat specks(199, 211, CV_8U);
    cv::RNG rng(7);
    rng.fill(specks, cv::RNG::UNIFORM, 0, 100);
    cv::threshold(specks, specks, 70, 255, cv::THRESH_BINARY);
    // Paper only, ink only, a sliver one pixel wide, and a view into a
    // larger image, whose rows do not follow each other in memory.
    cv::Mat column = cv::Mat::zeros(17, 1, CV_8U);
    column.rowRange(3, 9).setTo(255);
    column.at<uchar>(12) = 255;
    cv::Mat wide = cv::Mat::zeros(30, 64, CV_8U);
    cv::line(wide, {0, 5}, {63, 25}, 255, 1);
    for (const cv::Mat& binary :
         {page, specks, cv::Mat(cv::Mat::zeros(40, 33, CV_8U)),
          cv::Mat(40, 33, CV_8U, cv::Scalar(255)), column, wide(cv::Rect(3, 2, 50, 25))}) {
        SCOPED_TRACE(testing::Message() << binary.cols << " x " << binary.rows);
        expectSameAsOpenCV(binary);
    }

    // Outside the picture or of no piece: nothing.
    const InkRunPieces pieces(column);
    EXPECT_EQ(cv::countNonZero(pieces.mask(0, cv::Rect(0, 0, 1, 17))), 0);
    EXPECT_EQ(cv::countNonZero(pieces.mask(pieces.count(), cv::Rect(0, 0, 1, 17))), 0);

    // Odd and even lengths (an even one shifts the result by its anchor),
    // runs touching the edges (erosion counts the outside as ink), lines
    // shorter than the rectangle, and views into a larger image.
    rng = cv::RNG(11);
    for (int trial = 0; trial < 400; ++trial) {
        const int width = rng.uniform(1, 48), height = rng.uniform(1, 48);
        const int length = rng.uniform(1, 16);
        cv::Mat noise(height + 2, width + 3, CV_8U);
        rng.fill(noise, cv::RNG::UNIFORM, 0, 100);
        cv::Mat binary;
        cv::threshold(noise, binary, rng.uniform(5, 95), 255, cv::THRESH_BINARY);
        binary = binary(cv::Rect(2, 1, width, height));
        // OpenCV reads a view's surroundings as its border; the page is
        // never a view.
        const cv::Mat alone = binary.clone();
        cv::Mat across, down;
        cv::morphologyEx(alone, across, cv::MORPH_OPEN,
                         cv::getStructuringElement(cv::MORPH_RECT, cv::Size(length, 1)));
        cv::morphologyEx(alone, down, cv::MORPH_OPEN,
                         cv::getStructuringElement(cv::MORPH_RECT, cv::Size(1, length)));
        ASSERT_EQ(cv::countNonZero(openedAcross(binary, length) != across), 0)
            << width << " x " << height << ", length " << length;
        ASSERT_EQ(cv::countNonZero(openedDown(binary, length) != down), 0)
            << width << " x " << height << ", length " << length;
    }
}

} // namespace
