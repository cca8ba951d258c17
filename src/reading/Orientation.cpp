#include "Orientation.h"

#include "PageImages.h"
#include "QuestionAnchors.h"
#include "TextRecognizer.h"

#include <algorithm>

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
