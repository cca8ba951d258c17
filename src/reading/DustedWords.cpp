#include "DustedWords.h"

#include "PageInk.h"
#include "TextMatching.h"

#include <algorithm>

void trimToPrint(QList<RecognizedTextBlock>& blocks, const PageInk& ink, double h)
{
    for (RecognizedTextBlock& block : blocks) {
        bool trimmed = false;
        for (TextWord& word : block.words) {
            // A sign, a lone letter ("V" for a tick) or a word read unsurely
            // is more likely to hold a mark than dust: its box stays.
            if (word.box.height() <= 1.6 * h || foldedText(word.text).size() < 2 ||
                word.confidence < 0.6)
                continue;
            const QRect band = ink.printBandIn(word.box.toAlignedRect(), h);
            if (band.isEmpty() || band.height() > 1.45 * h)
                continue;
            word.box.setTop(band.top());
            word.box.setBottom(band.y() + band.height());
            trimmed = true;
        }
        if (!trimmed || block.words.isEmpty())
            continue;
        double top = block.words.first().box.top(), bottom = block.words.first().box.bottom();
        for (const TextWord& word : block.words) {
            top = std::min(top, word.box.top());
            bottom = std::max(bottom, word.box.bottom());
        }
        block.pixelBounds.setTop(std::max(block.pixelBounds.top(), top));
        block.pixelBounds.setBottom(std::min(block.pixelBounds.bottom(), bottom));
    }
}
