#include "LabelsReadAgain.h"

#include "LabelSpots.h"
#include "PageInk.h"
#include "TextRecognizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// The words of `read` that make up `label`, as one line.
RecognizedTextBlock labelLine(const QList<RecognizedTextBlock>& read, const QRectF& label)
{
    RecognizedTextBlock line;
    QStringList text;
    for (const RecognizedTextBlock& block : read)
        for (const TextWord& word : block.words) {
            if (!label.adjusted(-2, -2, 2, 2).contains(word.box.center()))
                continue;
            line.words.append(word);
            text.append(word.text);
            line.pixelBounds =
                line.pixelBounds.isNull() ? word.box : line.pixelBounds.united(word.box);
            line.confidence += word.confidence;
        }
    if (!line.words.isEmpty())
        line.confidence /= double(line.words.size());
    line.text = text.join(QLatin1Char(' '));
    return line;
}

QRectF mapped(const QRectF& r, double factor, const QPointF& offset)
{
    return QRectF(r.x() * factor + offset.x(), r.y() * factor + offset.y(), r.width() * factor,
                  r.height() * factor);
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
        if (std::none_of(block.words.begin(), block.words.end(), under))
            continue;
        block.words.removeIf(under);
        QStringList text;
        QRectF bounds;
        for (const TextWord& word : block.words) {
            text.append(word.text);
            bounds = bounds.isNull() ? word.box : bounds.united(word.box);
        }
        block.text = text.join(QLatin1Char(' '));
        block.pixelBounds = bounds;
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
    QList<RecognizedTextBlock> read = recognizer.recognizeText(clean);
    for (RecognizedTextBlock& block : read) {
        block.pixelBounds = mapped(block.pixelBounds, 1.0, crop.topLeft());
        for (TextWord& word : block.words)
            word.box = mapped(word.box, 1.0, crop.topLeft());
    }
    if (QList<RecognizedTextBlock> found = labelsRead(read); !found.isEmpty())
        return found;

    const int margin = int(std::lround(2 * h));
    QImage framed(clean.width() + 2 * margin, clean.height() + 2 * margin,
                  QImage::Format_Grayscale8);
    framed.fill(255);
    for (int y = 0; y < clean.height(); ++y)
        std::memcpy(framed.scanLine(y + margin) + margin, clean.constScanLine(y),
                    std::size_t(clean.width()));
    if (scale < 1.0)
        framed = framed.scaled(int(std::lround(framed.width() * scale)),
                               int(std::lround(framed.height() * scale)), Qt::IgnoreAspectRatio,
                               Qt::SmoothTransformation);
    const QPointF offset = crop.topLeft() - QPointF(margin, margin);
    const double back = 1.0 / scale;
    read = recognizer.recognizeText(framed, TextRecognizer::TextScope::scatteredWords);
    for (RecognizedTextBlock& block : read) {
        block.pixelBounds = mapped(block.pixelBounds, back, offset);
        for (TextWord& word : block.words)
            word.box = mapped(word.box, back, offset);
    }
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
