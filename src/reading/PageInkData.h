#pragma once

// What a page's ink is kept as, shared by the files that sort it and
// answer questions about it.

#include "PageInk.h"

#include <QRect>
#include <opencv2/core.hpp>

struct PageInk::Data
{
    cv::Mat levelled; // CV_8U, paper 255
    cv::Mat labels;   // CV_32S, 0 = paper, piece i + 1
    cv::Mat pen;      // CV_8U, 255 where a pen piece lies
    cv::Mat lines;    // CV_8U, 255 where printed lines were taken out
};

// The part of `rect` that lies on `image`.
inline cv::Rect onImage(const QRect& rect, const cv::Mat& image)
{
    return cv::Rect(rect.x(), rect.y(), rect.width(), rect.height()) &
           cv::Rect(0, 0, image.cols, image.rows);
}
