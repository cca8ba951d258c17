#include "Orientation.h"

#include "InkRunPieces.h"
#include "PageImages.h"
#include "QuestionAnchors.h"
#include "TextRecognizer.h"

#include <algorithm>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

double readabilityScore(const QList<RecognizedTextBlock>& blocks, const QSizeF& page,
                        qint64 questionCount)
{
    const QList<QuestionAnchor> anchors = detectQuestionAnchors(blocks, questionCount);
    double spreadX = 0;
    double spreadY = 0;
    if (!anchors.isEmpty()) {
        double minX = anchors.first().bounds.left(), maxX = minX;
        double minY = anchors.first().bounds.top(), maxY = minY;
        for (const QuestionAnchor& anchor : anchors) {
            minX = std::min(minX, anchor.bounds.left());
            maxX = std::max(maxX, anchor.bounds.left());
            minY = std::min(minY, anchor.bounds.top());
            maxY = std::max(maxY, anchor.bounds.top());
        }
        spreadX = (maxX - minX) / std::max(1.0, page.width());
        spreadY = (maxY - minY) / std::max(1.0, page.height());
    }
    const double penalty = spreadX > 0.18 && spreadY < 0.14 ? 22.0 : 0.0;
    return averageConfidence(blocks) + 8.0 * double(anchors.size()) + 0.04 * double(blocks.size()) +
           28.0 * spreadY - 10.0 * spreadX - penalty;
}

OrientationChoice bestReadableImage(const QImage& image, qint64 questionCount,
                                    TextRecognizer& recognizer, int judgeMaxSide)
{
    const QImage judged = downscaledForJudging(image, judgeMaxSide).image;
    OrientationChoice best{image, 0};
    bool haveBest = false;
    double bestScore = 0;
    for (int turns = 0; turns < 4; ++turns) {
        const std::optional<QImage> candidate = rotatedImage(judged, turns);
        if (!candidate)
            continue;
        const double score = readabilityScore(
            recognizer.recognizeText(*candidate, TextRecognizer::TextScope::uprightLines),
            QSizeF(candidate->size()), questionCount);
        if (!haveBest || score > bestScore) {
            haveBest = true;
            bestScore = score;
            best.quarterTurns = turns;
        }
    }
    if (best.quarterTurns != 0) {
        // A turn that works on the small copy can still fail on the page
        // (memory); the page is then read as decoded.
        const std::optional<QImage> turned = rotatedImage(image, best.quarterTurns);
        best = turned ? OrientationChoice{*turned, best.quarterTurns} : OrientationChoice{image, 0};
    }
    return best;
}

namespace {
// How much of the binary image's ink closes into words running along the
// kernel's direction: the summed length of pieces at least three times as
// long as they are thick and of a word's thickness (printed rules are too
// thin).
double wordRunLength(const cv::Mat& ink, bool acrossRows)
{
    const int side = std::max(ink.cols, ink.rows);
    const int reach = std::max(3, side / 120);
    const cv::Mat kernel = cv::getStructuringElement(
        cv::MORPH_RECT, acrossRows ? cv::Size(reach, 1) : cv::Size(1, reach));
    cv::Mat closed;
    cv::morphologyEx(ink, closed, cv::MORPH_CLOSE, kernel);
    const InkRunPieces pieces(closed);
    double total = 0;
    for (int i = 1; i < pieces.count(); ++i) {
        const int w = pieces.bounds(i).width;
        const int h = pieces.bounds(i).height;
        const int along = acrossRows ? w : h;
        const int thick = acrossRows ? h : w;
        if (thick >= 4 && thick <= side / 40 && along >= 3 * thick)
            total += along;
    }
    return total;
}
} // namespace

PrintAxis printAxis(const QImage& image)
{
    if (image.isNull())
        return PrintAxis::unclear;
    const QImage small =
        downscaledForJudging(image, 850).image.convertToFormat(QImage::Format_Grayscale8);
    if (small.isNull() || small.width() < 40 || small.height() < 40)
        return PrintAxis::unclear;
    const cv::Mat grey(small.height(), small.width(), CV_8U, const_cast<uchar*>(small.constBits()),
                       size_t(small.bytesPerLine()));
    cv::Mat ink;
    cv::threshold(grey, ink, 0, 255, cv::THRESH_BINARY_INV | cv::THRESH_OTSU);
    const double across = wordRunLength(ink, true);
    const double down = wordRunLength(ink, false);
    // A handful of words is too little to tell by.
    const double enough = 0.5 * std::max(small.width(), small.height());
    if (across >= enough && across >= 2.5 * down)
        return PrintAxis::across;
    if (down >= enough && down >= 2.5 * across)
        return PrintAxis::down;
    return PrintAxis::unclear;
}
