#include "LabelSpots.h"

#include "TextMatching.h"

#include <algorithm>
#include <optional>

namespace {
struct Candidate
{
    qsizetype label = 0;
    qsizetype line = 0;
    qsizetype first = 0; // word index
    qsizetype count = 0; // words
    double similarity = 0;
    QRectF box;
    QRectF firstWord = {};
};

QList<TextWord> wordsOf(const RecognizedTextBlock& line)
{
    if (!line.words.isEmpty())
        return line.words;
    return {{line.text, line.confidence, line.pixelBounds}};
}

// The span's box with the letters of a stray prefix or suffix cut off, in
// proportion to the characters dropped from its first or last word.
QRectF spanBox(const QList<TextWord>& words, qsizetype first, qsizetype count, qsizetype dropFront,
               qsizetype dropBack)
{
    QRectF box;
    for (qsizetype i = first; i < first + count; ++i) {
        QRectF word = words[i].box;
        const double letters = std::max<qsizetype>(1, foldedText(words[i].text).size());
        if (i == first && dropFront > 0)
            word.setLeft(word.left() + word.width() * std::min(0.8, dropFront / letters));
        if (i == first + count - 1 && dropBack > 0)
            word.setRight(word.right() - word.width() * std::min(0.8, dropBack / letters));
        box = box.isNull() ? word : box.united(word);
    }
    return box;
}
} // namespace

QList<LabelSpot> locateLabels(const QList<RecognizedTextBlock>& lines, const QStringList& labels)
{
    QList<Candidate> candidates;
    for (qsizetype l = 0; l < labels.size(); ++l) {
        const QString wanted = foldedText(labels[l]);
        if (wanted.isEmpty())
            continue;
        const qsizetype wordCount =
            std::max<qsizetype>(1, labels[l].split(QLatin1Char(' '), Qt::SkipEmptyParts).size());
        const double floor = labelMatchFloor(wanted.size());
        for (qsizetype b = 0; b < lines.size(); ++b) {
            const QList<TextWord> words = wordsOf(lines[b]);
            for (qsizetype first = 0; first < words.size(); ++first) {
                // A tick read as "/" just before a label, standing half again
                // as tall as the print after it, is no part of the label.
                if (foldedText(words[first].text).isEmpty() && first + 1 < words.size() &&
                    words[first].box.height() >= 1.5 * words[first + 1].box.height())
                    continue;
                QString span;
                for (qsizetype count = 1; count <= wordCount + 1 && first + count <= words.size();
                     ++count) {
                    span += foldedText(words[first + count - 1].text);
                    if (count + 1 < wordCount || span.isEmpty())
                        continue;
                    double best = textSimilarity(span, wanted);
                    qsizetype dropFront = 0, dropBack = 0;
                    if (span.size() > wanted.size()) {
                        const qsizetype extra = span.size() - wanted.size();
                        const double front = textSimilarity(span.mid(extra), wanted) - 0.03;
                        const double back = textSimilarity(span.left(wanted.size()), wanted) - 0.03;
                        if (front > best && extra <= 2) {
                            best = front;
                            dropFront = extra;
                        }
                        if (back > best && extra <= 2) {
                            best = back;
                            dropFront = 0;
                            dropBack = extra;
                        }
                    }
                    if (best >= floor)
                        candidates.append({l, b, first, count, best,
                                           spanBox(words, first, count, dropFront, dropBack),
                                           spanBox(words, first, 1, dropFront, 0)});
                }
            }
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [&](const Candidate& a, const Candidate& b) {
                         if (a.similarity != b.similarity)
                             return a.similarity > b.similarity;
                         return labels[a.label].size() > labels[b.label].size();
                     });
    QList<std::optional<Candidate>> placed(labels.size());
    QList<QList<bool>> usedWords;
    for (const RecognizedTextBlock& line : lines)
        usedWords.append(QList<bool>(wordsOf(line).size(), false));
    for (const Candidate& c : candidates) {
        if (placed[c.label])
            continue;
        QList<bool>& used = usedWords[c.line];
        if (std::any_of(used.begin() + c.first, used.begin() + c.first + c.count,
                        [](bool u) { return u; }))
            continue;
        std::fill(used.begin() + c.first, used.begin() + c.first + c.count, true);
        placed[c.label] = c;
    }
    // A ring touching the letters can take one off the word read ("Neb",
    // "es"): a label still missing takes an unused word that is the start or
    // end of it, its box widened over the letters lost.
    for (qsizetype l = 0; l < labels.size(); ++l) {
        if (placed[l])
            continue;
        const QString wanted = foldedText(labels[l]);
        std::optional<Candidate> best;
        for (qsizetype b = 0; b < lines.size(); ++b) {
            const QList<TextWord> words = wordsOf(lines[b]);
            for (qsizetype i = 0; i < words.size(); ++i) {
                if (usedWords[b][i])
                    continue;
                const QString part = foldedText(words[i].text);
                if (part.size() < 2 || 2 * part.size() < wanted.size() ||
                    part.size() >= wanted.size())
                    continue;
                const bool start = wanted.startsWith(part), end = wanted.endsWith(part);
                if (!start && !end)
                    continue;
                const double similarity = double(part.size()) / double(wanted.size());
                if (best && best->similarity >= similarity)
                    continue;
                QRectF box = words[i].box;
                const double lost = box.width() * double(wanted.size() - part.size()) / part.size();
                if (end)
                    box.setLeft(box.left() - lost);
                else
                    box.setRight(box.right() + lost);
                best = Candidate{l, b, i, 1, similarity, box, box};
            }
        }
        if (best) {
            usedWords[best->line][best->first] = true;
            placed[l] = best;
        }
    }
    QList<LabelSpot> spots;
    for (qsizetype l = 0; l < labels.size(); ++l)
        if (placed[l])
            spots.append({labels[l], placed[l]->box, placed[l]->similarity, placed[l]->firstWord});
    return spots;
}

QList<RecognizedTextBlock> wordsSplitAtMarks(const QList<RecognizedTextBlock>& lines,
                                             const QStringList& printed)
{
    const auto isPrinted = [&](QStringView part) {
        return std::any_of(printed.begin(), printed.end(), [&](const QString& text) {
            return text.contains(part, Qt::CaseInsensitive);
        });
    };
    QList<RecognizedTextBlock> out = lines;
    for (RecognizedTextBlock& line : out) {
        QList<TextWord> words;
        for (const TextWord& word : line.words) {
            const QString& text = word.text;
            qsizetype at = -1;
            for (qsizetype i = 2; i + 2 < text.size() && at < 0; ++i)
                if (QStringLiteral("/|\\<>").contains(text[i]) && text[i - 1].isLetterOrNumber() &&
                    text[i - 2].isLetterOrNumber() && text[i + 1].isLetterOrNumber() &&
                    text[i + 2].isLetterOrNumber() && !isPrinted(QStringView(text).mid(i - 2, 5)))
                    at = i;
            if (at < 0) {
                words.append(word);
                continue;
            }
            const double step = word.box.width() / double(text.size());
            QRectF left = word.box, right = word.box;
            left.setRight(word.box.left() + step * double(at));
            right.setLeft(word.box.left() + step * double(at + 1));
            words.append({text.left(at), word.confidence, left});
            words.append({text.mid(at + 1), word.confidence, right});
        }
        line.words = words;
    }
    return out;
}

double typicalCharacterWidth(const QList<RecognizedTextBlock>& lines)
{
    QList<double> widths;
    for (const RecognizedTextBlock& line : lines)
        for (const TextWord& word : line.words)
            if (word.confidence >= 0.85 && foldedText(word.text).size() >= 3)
                widths.append(word.box.width() / double(word.text.size()));
    if (widths.isEmpty())
        return 0;
    std::sort(widths.begin(), widths.end());
    return widths[widths.size() / 2];
}

namespace {
// Capitals run wider than the mean character, spaces and points narrower.
double expectedWidth(QStringView text, double characterWidth)
{
    double characters = 0;
    for (const QChar c : text)
        characters += c.isUpper() ? 1.35 : c.isSpace() || c.isPunct() ? 0.6 : 1.0;
    return characterWidth * characters;
}
} // namespace

bool trimToLetters(LabelSpot& spot, double characterWidth, double printHeight)
{
    if (characterWidth <= 0)
        return false;
    const double expected = expectedWidth(spot.label, characterWidth);
    if (spot.box.width() > expected + std::max(printHeight, 0.3 * expected)) {
        spot.box.setLeft(spot.box.right() - expected);
        return true;
    }
    const QString first = spot.label.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    const double firstExpected = expectedWidth(first, characterWidth);
    // A word of one or two letters is too short to measure by.
    if (spot.firstWord.isEmpty() || foldedText(first).size() < 3 ||
        first.size() == spot.label.trimmed().size() ||
        spot.firstWord.width() <= firstExpected + std::max(printHeight, 0.3 * firstExpected))
        return false;
    spot.box.setLeft(std::max(spot.box.left(), spot.firstWord.right() - firstExpected));
    return true;
}

namespace {
// Groups of values within `reach` of the group's first, ascending.
QList<double> groupsOf(QList<double> values, double reach)
{
    std::sort(values.begin(), values.end());
    QList<double> groups;
    for (double v : values)
        if (groups.isEmpty() || v - groups.last() > reach)
            groups.append(v);
    return groups;
}

qsizetype groupIndex(const QList<double>& groups, double value, double reach)
{
    for (qsizetype i = 0; i < groups.size(); ++i)
        if (std::abs(value - groups[i]) <= reach)
            return i;
    return -1;
}
} // namespace

std::optional<QString> labelByPlace(const QList<LabelSpot>& found, const QStringList& options,
                                    const QPointF& at, double printHeight)
{
    const double h = std::max(1.0, printHeight);
    QStringList missing = options;
    for (const LabelSpot& spot : found)
        missing.removeAll(spot.label);
    if (found.isEmpty() || missing.isEmpty())
        return std::nullopt;
    struct Placed
    {
        qsizetype major;
        double minor;
        qsizetype index; // in options; -1 for the mark
    };
    const auto tryOrder = [&](bool rows) -> std::optional<QString> {
        QList<double> keys;
        for (const LabelSpot& spot : found)
            keys.append(rows ? spot.box.center().y() : spot.box.left());
        const double reach = rows ? 0.6 * h : 1.5 * h;
        const QList<double> groups = groupsOf(keys, reach);
        QList<Placed> order;
        for (const LabelSpot& spot : found)
            order.append({groupIndex(groups, rows ? spot.box.center().y() : spot.box.left(), reach),
                          rows ? spot.box.left() : spot.box.center().y(),
                          options.indexOf(spot.label)});
        const qsizetype markGroup =
            groupIndex(groups, rows ? at.y() : at.x(), rows ? 0.8 * h : 2.5 * h);
        if (markGroup < 0)
            return std::nullopt;
        order.append({markGroup, rows ? at.x() : at.y(), -1});
        std::sort(order.begin(), order.end(), [](const Placed& a, const Placed& b) {
            return a.major != b.major ? a.major < b.major : a.minor < b.minor;
        });
        qsizetype before = -1, after = options.size(), last = -1;
        bool seenMark = false;
        for (const Placed& p : order) {
            if (p.index < 0) {
                seenMark = true;
                continue;
            }
            if (p.index <= last)
                return std::nullopt; // not the print order
            last = p.index;
            if (!seenMark)
                before = p.index;
            else if (after == options.size())
                after = p.index;
        }
        QStringList between;
        for (const QString& label : missing) {
            const qsizetype i = options.indexOf(label);
            if (i > before && i < after)
                between.append(label);
        }
        if (between.size() != 1)
            return std::nullopt;
        return between.first();
    };
    if (const std::optional<QString> byRows = tryOrder(true))
        return byRows;
    return tryOrder(false);
}
