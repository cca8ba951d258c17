#include "PageReader.h"

#include "AnswerRules.h"
#include "ChoiceDoubt.h"
#include "DustedWords.h"
#include "HandwritingInk.h"
#include "LabelSpots.h"
#include "LabelsReadAgain.h"
#include "MarkEvidence.h"
#include "Orientation.h"
#include "PageGeometry.h"
#include "PageImages.h"
#include "PageInk.h"
#include "PromptAnchors.h"
#include "QuestionAnchors.h"
#include "QuestionRegions.h"
#include "ReviewSnippets.h"
#include "RingedLabels.h"
#include "TextMatching.h"
#include "TextRecognizer.h"

#include <algorithm>
#include <array>
#include <cmath>

qint64 effectiveQuestionCount(const SurveyConfiguration& configuration,
                              const SurveyTemplateDefinition& definition)
{
    qint64 count = std::max<qint64>(1, definition.largestQuestionNumber());
    for (const SurveyTemplateField& field : configuration.templateFields)
        count = std::max(count, field.number);
    return count;
}

ReadingSetup makeReadingSetup(const SurveyConfiguration& configuration, bool includeAll)
{
    ReadingSetup setup;
    setup.definition = SurveyTemplateDefinition(configuration);
    setup.questionCount = effectiveQuestionCount(configuration, setup.definition);
    setup.reviewThreshold = configuration.reviewThreshold;
    setup.includeAll = includeAll;
    for (const SurveyTemplateField& field : configuration.templateFields)
        if (field.detectionMode == SurveyDetectionMode::ignore)
            setup.ignored.insert(field.number);
    return setup;
}

namespace {
double medianOf(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The height of ordinary lettering: the median height of words of three
// letters or more.
double printHeightOf(const QList<RecognizedTextBlock>& blocks)
{
    QList<double> heights;
    for (const RecognizedTextBlock& block : blocks)
        for (const TextWord& word : block.words)
            if (foldedText(word.text).size() >= 3 && word.confidence >= 0.6)
                heights.append(word.box.height());
    const double median = medianOf(heights);
    return median > 0 ? median : 20.0;
}

// One question's place on the page.
struct PlacedQuestion
{
    QuestionRegion region;
    QRectF promptLine; // the line with its number and wording; empty when not found
    bool found = true; // its number or wording was found on the page
};

// Bands across the whole page from each anchor down to the next; numbers
// the text skipped between two anchors share the band between them.
QList<PlacedQuestion> placeQuestions(const QList<QuestionAnchor>& anchors, const QSizeF& page,
                                     double h)
{
    QList<QuestionAnchor> down = anchors;
    std::sort(down.begin(), down.end(), [](const QuestionAnchor& a, const QuestionAnchor& b) {
        return a.bounds.top() < b.bounds.top();
    });
    QList<PlacedQuestion> placed;
    for (qsizetype i = 0; i < down.size(); ++i) {
        const QuestionAnchor& anchor = down[i];
        const double top = std::max(0.0, anchor.bounds.top() - 0.4 * h);
        const double bottom = i + 1 < down.size() ? std::max(anchor.bounds.bottom(),
                                                             down[i + 1].bounds.top() - 0.3 * h)
                                                  : page.height();
        const QRectF band(0, top, page.width(), bottom - top);
        placed.append({{anchor.questionNumber, anchor.questionText, band}, anchor.bounds, true});
        if (i + 1 < down.size()) {
            const QRectF between(0, top, page.width(),
                                 std::max(1.0, down[i + 1].bounds.bottom() - top));
            for (qint64 n = anchor.questionNumber + 1; n < down[i + 1].questionNumber; ++n)
                placed.append({{n, QString(), between}, QRectF(), false});
        }
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const PlacedQuestion& a, const PlacedQuestion& b) {
                         return a.region.questionNumber < b.region.questionNumber;
                     });
    return placed;
}

bool isWritten(qint64 n, const SurveyTemplateDefinition& definition)
{
    const auto question = definition.questions.constFind(n);
    return question != definition.questions.cend() &&
           question->kind == SurveyTemplateDefinition::QuestionKind::written;
}

// Where a written question's answer goes: its band below the wording.
QRectF answerArea(const PlacedQuestion& q)
{
    QRectF area = q.region.rect;
    if (!q.promptLine.isNull())
        area.setTop(std::min(area.bottom(), q.promptLine.bottom() + 1));
    return area;
}

// How tall print of this text stands on a page whose words stand `h` tall:
// lower when none of its letters rises, taller when one hangs.
double tallestPrintOf(const QString& text, double h)
{
    bool rises = false;
    for (const QChar c : text) {
        if (QStringLiteral("gjpqy()").contains(c))
            return 1.3 * h;
        rises = rises || c.isUpper() || c.isDigit() || QStringLiteral("bdfhiklt").contains(c);
    }
    return rises ? h : 0.65 * h;
}

// Lines read in a written question's answer area that recognition is unsure
// of are handwriting, not print; so is a "word" of a letter or two there,
// however sure (a short written word read as a capital), and a line standing
// far taller than print of its letters would.
bool isHandwrittenLine(const RecognizedTextBlock& block, const QList<PlacedQuestion>& placed,
                       const SurveyTemplateDefinition& definition, double h)
{
    if (block.confidence >= 0.85 && foldedText(block.text).size() > 2 &&
        block.pixelBounds.height() < 1.2 * tallestPrintOf(block.text, h))
        return false;
    for (const PlacedQuestion& q : placed)
        if (isWritten(q.region.questionNumber, definition) &&
            answerArea(q).contains(block.pixelBounds.center()))
            return true;
    return false;
}

QRectF cropFor(const QRectF& rect, const QSize& image, double grow)
{
    return geometry::intersection(
        geometry::grown(rect, grow),
        geometry::imageBounds(double(image.width()), double(image.height())));
}
} // namespace

namespace {
QRectF scaledRect(const QRectF& rect, double factor)
{
    return QRectF(rect.x() * factor, rect.y() * factor, rect.width() * factor,
                  rect.height() * factor);
}
} // namespace

namespace {
// The page's text as pageText reads it; with `unlessUpsideDown`, nothing
// for a page whose layout shows its print upside down.
std::optional<QList<RecognizedTextBlock>>
readPageText(const QImage& image, TextRecognizer& recognizer, bool unlessUpsideDown)
{
    // Print reads as well at 200 dpi as at 300, and layout analysis costs
    // by the pixel: larger pages are recognised on a smaller copy and the
    // boxes mapped back.
    const ScaledImage small = downscaledForJudging(image, kRecognitionMaxSide);
    const QImage grey = recognitionGrey(small.image);
    const std::optional<QImage> contrast = highContrastImage(grey);
    const QImage& input = contrast ? *contrast : grey;
    std::optional<QList<RecognizedTextBlock>> read =
        unlessUpsideDown ? recognizer.recognizeTextUnlessUpsideDown(input)
                         : recognizer.recognizeText(input);
    if (!read)
        return std::nullopt;
    QList<RecognizedTextBlock>& blocks = *read;
    if (small.scaleBack != 1.0)
        for (RecognizedTextBlock& block : blocks) {
            block.pixelBounds = scaledRect(block.pixelBounds, small.scaleBack);
            for (TextWord& word : block.words)
                word.box = scaledRect(word.box, small.scaleBack);
        }
    return read;
}
} // namespace

QList<RecognizedTextBlock> pageText(const QImage& image, TextRecognizer& recognizer)
{
    return readPageText(image, recognizer, false).value_or(QList<RecognizedTextBlock>());
}

QList<RegionReading> readRegions(const QImage& image, const ReadingSetup& setup,
                                 TextRecognizer& recognizer)
{
    return readRegions(image, pageText(image, recognizer), setup, recognizer);
}

namespace {
QList<RegionReading> readRegionsOnce(const QImage& image, const QList<RecognizedTextBlock>& lines,
                                     const ReadingSetup& setup, TextRecognizer& recognizer,
                                     bool mayReadAgain)
{
    const SurveyTemplateDefinition& definition = setup.definition;
    QStringList printed;
    for (const auto& question : definition.questions)
        printed += question.options;
    QList<RecognizedTextBlock> blocks = wordsSplitAtMarks(lines, printed);
    const QSet<QString> printedWords = labelWordsOf(printed);
    const QSizeF size(image.size());
    const double h = printHeightOf(blocks);
    PageInk ink(image);
    trimToPrint(blocks, ink, h);
    const QList<QuestionAnchor> anchors =
        templateQuestionAnchors(blocks, definition, setup.questionCount);
    QList<PlacedQuestion> placed = placeQuestions(anchors, size, h);
    placed.removeIf([&](const PlacedQuestion& q) {
        return q.region.questionNumber > setup.questionCount ||
               setup.ignored.contains(q.region.questionNumber);
    });
    if (placed.isEmpty())
        return {};
    // The first question's number and wording can both be lost (a bold
    // "1." dropped, "I am:" read as "tam:"); its labels above the first
    // question found still place it.
    if (const qint64 before = placed.first().region.questionNumber - 1;
        before >= 1 && !setup.ignored.contains(before)) {
        const auto question = definition.questions.constFind(before);
        const double firstTop = placed.first().region.rect.top();
        if (question != definition.questions.cend() && !question->options.isEmpty()) {
            const QList<LabelSpot> found = locateLabels(
                regionTextBlocks(blocks, QRectF(0, 0, size.width(), firstTop)), question->options);
            if (2 * found.size() >= question->options.size()) {
                double top = firstTop;
                for (const LabelSpot& spot : found)
                    top = std::min(top, spot.box.top());
                top = std::max(0.0, top - 2.2 * h);
                placed.prepend({{before, QString(), QRectF(0, top, size.width(), firstTop - top)},
                                QRectF(0, top, size.width(), 1.2 * h),
                                true});
            }
        }
    }
    // When most numbers between the first and last found were missed, the
    // bands are guesses.
    const qint64 expected =
        placed.last().region.questionNumber - placed.first().region.questionNumber + 1;
    const auto foundCount = std::count_if(placed.begin(), placed.end(),
                                          [](const PlacedQuestion& q) { return q.found; });
    const bool fewNumbers = 2 * foundCount < expected;

    QRectF column;
    for (const RecognizedTextBlock& block : blocks)
        if (block.confidence >= 0.6 && !isHandwrittenLine(block, placed, definition, h))
            column = column.isNull() ? block.pixelBounds : column.united(block.pixelBounds);
    // The print's width: pencil doodles in the margins are nobody's answer;
    // a mark before a label at the column's edge is.
    column = QRectF(column.left() - 2.5 * h, 0, column.width() + 3.5 * h, size.height());

    // A sign read just before a label ("/ Help") is a tick unless the ink
    // there draws the label's check box.
    QList<QRectF> signMarks;
    for (const RecognizedTextBlock& block : blocks)
        for (const TextWord& word : block.words)
            if (readAsPenSign(word.text) && word.box.height() >= 0.6 * h &&
                word.box.width() <= 2 * h &&
                !ink.drawsBoxIn(word.box.adjusted(-2, -2, 2, 2).toAlignedRect()))
                signMarks.append(word.box);

    QList<QList<LabelSpot>> spots;
    QList<QRectF> areas;
    for (const PlacedQuestion& q : placed) {
        const auto question = definition.questions.constFind(q.region.questionNumber);
        QList<RecognizedTextBlock> lines;
        for (const RecognizedTextBlock& block : regionTextBlocks(blocks, q.region.rect))
            if (block.pixelBounds != q.promptLine)
                lines.append(block);
        spots.append(question == definition.questions.cend()
                         ? QList<LabelSpot>()
                         : locateLabels(lines, question->options, signMarks));
        areas.append(geometry::intersection(answerArea(q), column));
        // With every label found, ink well below the last of them (a doodle
        // at the foot of the page), or in the margin left of the labels'
        // boxes and of the question's number, is nobody's answer to this
        // question.
        if (question != definition.questions.cend() && !question->options.isEmpty() &&
            spots.last().size() == question->options.size()) {
            double bottom = 0;
            double left = q.promptLine.isNull() ? size.width() : q.promptLine.left();
            for (const LabelSpot& spot : spots.last()) {
                bottom = std::max(bottom, spot.box.bottom());
                left = std::min(left, spot.box.left() - 1.8 * h);
            }
            areas.last().setBottom(std::min(areas.last().bottom(), bottom + 1.5 * h));
            areas.last().setLeft(std::max(areas.last().left(), left));
        }
    }
    // Labels read wider than their letters carry a mark in their box.
    const double characterWidth = typicalCharacterWidth(blocks);
    QList<QRectF> markedWords;
    for (QList<LabelSpot>& list : spots)
        for (LabelSpot& spot : list) {
            const QRectF read = spot.box;
            if (trimToLetters(spot, characterWidth, h, [&](const QRectF& before) {
                    return ink.drawsBoxIn(
                        before.adjusted(-0.2 * h, -0.3 * h, 0.1 * h, 0.3 * h).toAlignedRect());
                }))
                markedWords.append(read);
        }

    // The print: every recognised word but handwriting read as words and
    // marks read as letters (a short "word" among the labels that is none).
    QList<QRectF> printBoxes;
    QList<QRectF> printLines;
    QList<PageInk::CutOff> cutOff;
    // Words among the labels that recognition read as something else than
    // print: a question read blank with one of these is in doubt.
    QList<QRectF> strays;
    // Words that took in the check box printed before their label.
    QList<QRectF> boxedWords;
    // A check box printed close against its label is read as the word's
    // first letter; it is no stray mark.
    const auto boxBefore = [&](const QRectF& word, const QRectF& letters) {
        return ink.drawsBoxIn(QRectF(QPointF(word.left() - 0.6 * h, word.top() - 0.6 * h),
                                     QPointF(letters.left() + 0.1 * h, word.bottom() + 0.6 * h))
                                  .toAlignedRect());
    };
    for (qsizetype b = 0; b < blocks.size(); ++b) {
        const RecognizedTextBlock& block = blocks[b];
        if (isHandwrittenLine(block, placed, definition, h))
            continue;
        // Recognition's word boxes can stop short of a letter; the line's
        // box holds them all, unless a mark was read as part of the line
        // (a word split at one is a sign): then each word's print part,
        // across the line's height.
        bool markInLine = block.words.size() != lines[b].words.size();
        const qsizetype firstPrint = printBoxes.size();
        // A word that took in a mark before its label is print only where
        // the label's letters are; the part before them is kept apart.
        const auto keepLabelPart = [&](const TextWord& word, const LabelSpot& spot) {
            markInLine = true;
            printBoxes.append(word.box.intersected(spot.box));
            cutOff.append({QRectF(word.box.left(), word.box.top(),
                                  spot.box.left() - word.box.left(), word.box.height()),
                           spot.box});
        };
        for (const TextWord& word : block.words) {
            // A rule to write on read as a word without letters ("____", or
            // blank) is no print: writing on it must not pass for letters.
            if (word.box.width() >= 3 * h && foldedText(word.text).isEmpty())
                continue;
            const QPointF centre = word.box.center();
            const bool amongLabels =
                std::any_of(spots.begin(), spots.end(), [&](const QList<LabelSpot>& list) {
                    return std::any_of(list.begin(), list.end(), [&](const LabelSpot& spot) {
                        return spot.box.adjusted(-2.6 * h, -0.5 * h, 0.7 * h, 0.5 * h)
                            .contains(centre);
                    });
                });
            const bool label =
                std::any_of(spots.begin(), spots.end(), [&](const QList<LabelSpot>& list) {
                    return std::any_of(list.begin(), list.end(), [&](const LabelSpot& spot) {
                        return spot.box.adjusted(-2, -2, 2, 2).contains(centre);
                    });
                });
            // A label's own short word ("No,") read surely stays print when
            // the label was found without it.
            const QString folded = foldedText(word.text);
            const bool printedWord =
                folded.size() == 2 && word.confidence >= 0.8 && printedWords.contains(folded);
            if (amongLabels && !label && folded.size() <= 2 && !printedWord) {
                markInLine = true;
                continue;
            }
            const auto widened = std::find_if(markedWords.begin(), markedWords.end(),
                                              [&](const QRectF& r) { return r.contains(centre); });
            if (widened != markedWords.end()) {
                // Only the letters' part of a word that took in a mark.
                markInLine = true;
                bool stray = true;
                for (const QList<LabelSpot>& list : spots)
                    for (const LabelSpot& spot : list)
                        if (widened->contains(spot.box.center())) {
                            keepLabelPart(word, spot);
                            stray = stray && !(widened->right() <= spot.box.right() + 0.5 * h &&
                                               boxBefore(word.box, spot.box));
                        }
                (stray ? strays : boxedWords).append(word.box);
                continue;
            }
            // A mark read as the start of a label's word ("X<No") is cut off
            // the label.
            const LabelSpot* cut = nullptr;
            for (const QList<LabelSpot>& list : spots)
                for (const LabelSpot& spot : list) {
                    // A label of several words starts with its first.
                    const QRectF& start = spot.firstWord.isNull() ? spot.box : spot.firstWord;
                    if (word.box.contains(start.center()) &&
                        start.left() >= word.box.left() + 0.5 * h &&
                        start.right() <= word.box.right() + 2)
                        cut = &spot;
                }
            if (cut) {
                const QRectF& start = cut->firstWord.isNull() ? cut->box : cut->firstWord;
                (boxBefore(word.box, start) ? boxedWords : strays).append(word.box);
                keepLabelPart(word, *cut);
                continue;
            }
            // A word standing much taller than print holds a ring or stroke.
            if (word.box.height() > 2.5 * h)
                continue;
            // Recognition can box a label's lone capital by a part of it
            // (an "A" by its crossbar); the letter stands the line's height
            // about that part.
            const QRectF& lineBox = block.pixelBounds;
            if (label && folded.size() == 1 && word.box.height() < 0.5 * h &&
                lineBox.height() <= 1.45 * h)
                printBoxes.append(
                    QRectF(centre.x() - 0.6 * h, lineBox.top(), 1.2 * h, lineBox.height()));
            else
                printBoxes.append(word.box);
        }
        // The line's box can also take in a mark just before its first word
        // that recognition read as no word: it reaches only a little past
        // the words.
        QRectF line = block.pixelBounds;
        if (!block.words.isEmpty()) {
            double left = block.words.first().box.left(), right = block.words.first().box.right();
            for (const TextWord& word : block.words) {
                left = std::min(left, word.box.left());
                right = std::max(right, word.box.right());
            }
            line.setLeft(std::max(line.left(), left - 0.3 * h));
            line.setRight(std::min(line.right(), right + 0.3 * h));
        }
        if (line.height() > 1.45 * h || line.width() <= 0)
            continue;
        if (!markInLine)
            printLines.append(line);
        else
            for (qsizetype k = firstPrint; k < printBoxes.size(); ++k)
                printLines.append(QRectF(printBoxes[k].left(), line.top(),
                                         printBoxes[k].width() + 0.3 * h, line.height()));
    }
    ink.separate(printBoxes, printLines, h);
    ink.keepLettersAsPrint(cutOff, h);
    QList<PageInk::LabelStart> starts;
    for (const QList<LabelSpot>& list : spots)
        for (const LabelSpot& spot : list) {
            const QString text = spot.label.trimmed();
            starts.append({spot.box,
                           text.isEmpty() || QStringLiteral("gjpqyJQ,;(/[|").contains(text[0]),
                           !text.isEmpty() && QStringLiteral("Iilt1").contains(text[0])});
        }
    ink.freeMarksJoinedToLabels(starts, h);
    QList<RegionInk> credited = creditPenInk(ink, spots, areas, h);
    QImage readable; // made once, when a label is to be read again
    if (mayReadAgain) {
        QList<AreaToReadAgain> again;
        for (qsizetype i = 0; i < placed.size(); ++i) {
            const auto question = definition.questions.constFind(placed[i].region.questionNumber);
            if (question == definition.questions.cend() ||
                spots[i].size() >= question->options.size())
                continue;
            QStringList missing = question->options;
            for (const LabelSpot& spot : spots[i])
                missing.removeAll(spot.label);
            again.append({areas[i], question->options, missing});
        }
        if (!again.isEmpty()) {
            readable = recognitionGrey(image);
            if (const QList<RecognizedTextBlock> reread =
                    linesReadAgain(lines, again, readable, ink, recognizer, h,
                                   std::min(1.0, double(kRecognitionMaxSide) /
                                                     std::max(image.width(), image.height())));
                reread != lines)
                return readRegionsOnce(image, reread, setup, recognizer, false);
        }
    }
    for (qsizetype i = 0; i < placed.size(); ++i) {
        const auto question = definition.questions.constFind(placed[i].region.questionNumber);
        if (question == definition.questions.cend() || spots[i].size() >= question->options.size())
            continue;
        if (readable.isNull())
            readable = recognitionGrey(image);
        recoverRingedLabels(credited[i], question->options, readable, ink, recognizer, h);
    }
    QList<RegionReading> readings;
    for (qsizetype i = 0; i < placed.size(); ++i) {
        const PlacedQuestion& q = placed[i];
        const qint64 n = q.region.questionNumber;
        const auto question = definition.questions.constFind(n);
        const bool known = question != definition.questions.cend();
        const bool hasOptions = known && !question->options.isEmpty();
        RegionReading reading;
        reading.questionNumber = n;
        reading.prompt = questionPrompt(q.region, definition);

        QList<DetectedMark> marks;
        std::optional<UnreadInkSignal> ink_;
        bool doubt = false;
        bool conflicting = false;
        QString stripped;
        double textConfidence = 1.0;
        QRectF wanted = q.region.rect;
        if (hasOptions) {
            const bool single =
                question->kind != SurveyTemplateDefinition::QuestionKind::multipleChoice;
            const MarkReading read = readMarks(credited[i], single);
            marks = single && !read.marks.isEmpty() ? QList<DetectedMark>{read.marks.first()}
                                                    : read.marks;
            conflicting = read.conflicting;
            doubt = choiceInDoubt(
                {credited[i], read, single, question->options.size(), areas[i], strays, boxedWords},
                ink, h);
            QRectF labels = credited[i].unclaimedBounds;
            for (const OptionInk& option : credited[i].options) {
                labels = labels.isNull() ? option.markBounds : labels.united(option.markBounds);
                const bool marked = std::any_of(
                    read.marks.begin(), read.marks.end(),
                    [&](const DetectedMark& mark) { return mark.label == option.spot.label; });
                reading.labels.append(
                    {option.spot.label, option.spot.box,
                     option.spot.similarity >= 0.95 && option.spot.box.height() <= 1.4 * h, marked,
                     marked ? option.markBounds : QRectF(),
                     ink.inkPixelsIn(option.spot.box.toAlignedRect())});
            }
            reading.promptLine = q.promptLine;
            reading.printHeight = h;
            // The crop shows the prompt and every label's ink.
            if (!labels.isNull())
                wanted = q.region.rect.intersected(
                    labels.united(q.promptLine.isNull() ? labels : q.promptLine)
                        .adjusted(-h, -h, h, h));
        } else if (known && question->kind == SurveyTemplateDefinition::QuestionKind::written) {
            ink_ = handwriting(ink, areas[i], column, h);
        } else {
            QList<RecognizedTextBlock> inside = regionTextBlocks(blocks, q.region.rect);
            stripped = stripQuestionText(regionText(inside), q.region);
            textConfidence = averageConfidence(inside);
        }
        reading.answer = composeAnswer(n, marks, ink_, textConfidence, stripped, definition);
        reading.confidence = confidenceForAnswer(reading.answer, marks, ink_, textConfidence);

        ReviewInputs review;
        review.answer = reading.answer;
        review.confidence = reading.confidence;
        review.marks = marks;
        review.hasUnreadInk = ink_.has_value();
        // A blank choice question whose every label was found and carries
        // no ink is read as unanswered.
        review.hasOptions = false;
        review.strippedText = stripped;
        review.reviewThreshold = setup.reviewThreshold;
        review.includeAll = setup.includeAll;
        review.conflictingMarks = conflicting;
        review.unlocatedOptions = doubt;
        reading.needsReview = needsReview(review) || !q.found || fewNumbers;
        if (!q.found)
            reading.reviewNote = questionNotFoundNote;
        else if (fewNumbers)
            reading.reviewNote = fewNumbersNote;
        if (reading.needsReview || hasOptions) {
            if (ink_)
                wanted = reviewSnippetRect(q.region, reading.answer, marks, ink_, {}, definition);
            reading.cropRect = snippetRect(image, cropFor(wanted, image.size(), 72));
        }
        if (reading.needsReview)
            reading.cropPng = snippetPng(image, reading.cropRect);
        readings.append(reading);
    }
    return readings;
}
} // namespace

QList<RegionReading> readRegions(const QImage& image, const QList<RecognizedTextBlock>& lines,
                                 const ReadingSetup& setup, TextRecognizer& recognizer)
{
    return readRegionsOnce(image, lines, setup, recognizer, true);
}

namespace {
// A reading that leaves no doubt the page stood the right way up: questions
// of the template found by their wording, or next to no print at all (a
// blank back reads the same either way).
bool readsUpright(const QList<RecognizedTextBlock>& blocks, const ReadingSetup& setup)
{
    if (blocks.size() < 3)
        return true;
    const qsizetype anchors =
        templateQuestionAnchors(blocks, setup.definition, setup.questionCount).size();
    return anchors >= 2 || (anchors == 1 && averageConfidence(blocks) >= 0.7);
}
} // namespace

PageReading readPage(const ScanPage& page, const ReadingSetup& setup, TextRecognizer& recognizer)
{
    const DecodedPage decoded = decodePageImage(page.fileURL);
    if (decoded.image.isNull())
        return {decoded.failureReason, {}};
    const PrintAxis axis = printAxis(decoded.image);
    if (axis == PrintAxis::unclear) {
        // Little print, or as much each way: every turn is judged on a small
        // copy by how well it reads.
        const OrientationChoice upright =
            bestReadableImage(decoded.image, setup.questionCount, recognizer, setup.judgeMaxSide);
        const double skew = printSkewDegrees(upright.image);
        const QImage level = straightenedImage(upright.image, -skew);
        return {{}, readRegions(level, setup, recognizer), {upright.quarterTurns, skew}};
    }
    // The lines' direction leaves two turns; the reading pass itself tells
    // them apart, and the page is read a second time only when the first
    // turn does not read as the template.
    const std::optional<QImage> turned =
        rotatedImage(decoded.image, axis == PrintAxis::across ? 0 : 1);
    if (!turned)
        return {QStringLiteral("not enough memory to turn the page"), {}};
    // A page fed a little askew makes a long label's box taller than its
    // print, which moves the check box sought beside it: read it level. The
    // tilt stays the same when the page is turned over.
    PageTurn turn{axis == PrintAxis::across ? 0 : 1, printSkewDegrees(*turned)};
    QImage level = straightenedImage(*turned, -turn.skewDegrees);
    // A page whose layout already shows it upside down is recognised turned
    // over first; should that not read as the template, both ways are read
    // and weighed as for any page that does not read upright.
    std::optional<QList<RecognizedTextBlock>> blocks = readPageText(level, recognizer, true);
    std::optional<QImage> over;
    std::optional<QList<RecognizedTextBlock>> overBlocks;
    if (!blocks) {
        over = rotatedImage(level, 2);
        if (over) {
            overBlocks = pageText(*over, recognizer);
            if (readsUpright(*overBlocks, setup)) {
                turn.quarterTurns += 2;
                return {{}, readRegions(*over, *overBlocks, setup, recognizer), turn};
            }
        }
        blocks = pageText(level, recognizer);
    }
    if (!readsUpright(*blocks, setup)) {
        if (!over)
            over = rotatedImage(level, 2);
        if (over) {
            if (!overBlocks)
                overBlocks = pageText(*over, recognizer);
            const QSizeF size(level.size());
            if (readabilityScore(*overBlocks, size, setup.questionCount) >
                readabilityScore(*blocks, size, setup.questionCount)) {
                level = *over;
                blocks = std::move(overBlocks);
                turn.quarterTurns += 2;
            }
        }
    }
    return {{}, readRegions(level, *blocks, setup, recognizer), turn};
}
