#include "LabelsReadAgain.h"

#include "LabelSpots.h"
#include "PageInk.h"
#include "TextRecognizer.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>

namespace {
// `block` with its text and box made again from its words.
void fromWords(RecognizedTextBlock& block)
{
    QStringList text;
    QRectF bounds;
    for (const TextWord& word : block.words) {
        text.append(word.text);
        bounds = bounds.isNull() ? word.box : bounds.united(word.box);
    }
    block.text = text.join(QLatin1Char(' '));
    block.pixelBounds = bounds;
}

// The words of `read` that make up `label`, as one line.
RecognizedTextBlock labelLine(const QList<RecognizedTextBlock>& read, const QRectF& label)
{
    RecognizedTextBlock line;
    for (const RecognizedTextBlock& block : read)
        for (const TextWord& word : block.words)
            if (label.adjusted(-2, -2, 2, 2).contains(word.box.center()))
                line.words.append(word);
    fromWords(line);
    for (const TextWord& word : line.words)
        line.confidence += word.confidence / double(line.words.size());
    return line;
}

// Lines read from an image scaled by 1 / `factor` and placed at `offset`,
// in page pixels.
QList<RecognizedTextBlock> onPage(QList<RecognizedTextBlock> read, double factor,
                                  const QPointF& offset)
{
    const auto place = [&](const QRectF& r) {
        return QRectF(r.topLeft() * factor + offset, r.size() * factor);
    };
    for (RecognizedTextBlock& block : read) {
        block.pixelBounds = place(block.pixelBounds);
        for (TextWord& word : block.words)
            word.box = place(word.box);
    }
    return read;
}

// `lines` without the words read where `line` now stands (the garbled
// reading of its label); a line left without words goes.
void clearUnder(QList<RecognizedTextBlock>& lines, const QRectF& line)
{
    for (RecognizedTextBlock& block : lines) {
        const auto under = [&](const TextWord& word) {
            const QRectF overlap = word.box.intersected(line);
            return overlap.width() * overlap.height() >= 0.3 * word.box.width() * word.box.height();
        };
        if (block.words.removeIf(under) > 0)
            fromWords(block);
    }
    lines.removeIf([](const RecognizedTextBlock& block) { return block.words.isEmpty(); });
}

// The missing labels read in `clean` (the area `crop` of the page without
// its marks) as lines in page pixels: first as the area stands; when that
// finds none, as scattered words framed in paper at the page's scale for
// recognition (layout analysis can find no text block among a few short
// labels, nor print at the image's edge).
QList<RecognizedTextBlock> missingLabelsIn(const QImage& clean, const QRect& crop,
                                           const AreaToReadAgain& again, TextRecognizer& recognizer,
                                           double h, double scale)
{
    const auto labelsRead = [&](const QList<RecognizedTextBlock>& read) {
        QList<RecognizedTextBlock> found;
        for (const LabelSpot& spot : locateLabels(read, again.options))
            if (again.missing.contains(spot.label))
                if (RecognizedTextBlock line = labelLine(read, spot.box); !line.words.isEmpty())
                    found.append(line);
        return found;
    };
    if (QList<RecognizedTextBlock> found =
            labelsRead(onPage(recognizer.recognizeText(clean), 1.0, crop.topLeft()));
        !found.isEmpty())
        return found;

    const int margin = int(std::lround(2 * h));
    cv::Mat framed;
    cv::copyMakeBorder(cv::Mat(clean.height(), clean.width(), CV_8U,
                               const_cast<uchar*>(clean.constBits()), size_t(clean.bytesPerLine())),
                       framed, margin, margin, margin, margin, cv::BORDER_CONSTANT, 255);
    QImage input(framed.data, framed.cols, framed.rows, int(framed.step),
                 QImage::Format_Grayscale8);
    if (scale < 1.0)
        input = input.scaled(int(std::lround(input.width() * scale)),
                             int(std::lround(input.height() * scale)), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    const QList<RecognizedTextBlock> read =
        onPage(recognizer.recognizeText(input, TextRecognizer::TextScope::scatteredWords),
               1.0 / scale, crop.topLeft() - QPointF(margin, margin));
    return labelsRead(read);
}
} // namespace

QList<RecognizedTextBlock> linesReadAgain(const QList<RecognizedTextBlock>& lines,
                                          const QList<AreaToReadAgain>& areas, const QImage& grey,
                                          const PageInk& ink, TextRecognizer& recognizer, double h,
                                          double scale)
{
    QList<RecognizedTextBlock> out = lines;
    for (const AreaToReadAgain& again : areas) {
        const QRect crop = again.area.toAlignedRect().intersected(grey.rect());
        if (crop.width() < 2 * h || crop.height() < h)
            continue;
        const QImage clean = ink.withoutMarks(grey, crop, h);
        if (clean.isNull())
            continue;
        for (const RecognizedTextBlock& line :
             missingLabelsIn(clean, crop, again, recognizer, h, scale)) {
            clearUnder(out, line.pixelBounds);
            out.append(line);
        }
    }
    return out;
}
