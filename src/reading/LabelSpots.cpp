#include "LabelSpots.h"

#include "TextMatching.h"

#include <QSet>

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

// Whether `right` stands just after `left` on the same line of print: level
// with it, a narrow gap apart.
bool justAfter(const QRectF& left, const QRectF& right)
{
    const double gap = right.left() - left.right();
    const double overlap =
        std::min(left.bottom(), right.bottom()) - std::max(left.top(), right.top());
    return gap >= -2 && gap <= 0.7 * std::max(left.height(), right.height()) &&
           overlap >= 0.5 * std::min(left.height(), right.height());
}

void append(RecognizedTextBlock& into, const RecognizedTextBlock& from)
{
    into.text += QLatin1Char(' ') + from.text;
    into.confidence = std::min(into.confidence, from.confidence);
    into.pixelBounds = into.pixelBounds.united(from.pixelBounds);
    into.words += wordsOf(from);
}

// Recognition can split one printed line where a letter read as a sign
// stands apart ("No," "|" "plan to pursue a career in"): a line just after
// one with letters continues it. A line of signs before a label (a tick
// read beside it) stays apart, and so does a line read unsurely (a cross
// read with a letter as "<I").
QList<RecognizedTextBlock> joinedAlongRows(QList<RecognizedTextBlock> lines)
{
    for (RecognizedTextBlock& line : lines)
        line.words = wordsOf(line);
    const auto sure = [](const RecognizedTextBlock& line) { return line.confidence >= 0.5; };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (foldedText(lines[i].text).isEmpty() || !sure(lines[i]))
            continue;
        for (qsizetype j = 0; j < lines.size(); ++j) {
            if (j == i || !sure(lines[j]) || !justAfter(lines[i].pixelBounds, lines[j].pixelBounds))
                continue;
            append(lines[i], lines[j]);
            lines.removeAt(j);
            if (j < i)
                --i;
            j = -1; // look again for what now stands after the longer line
        }
    }
    return lines;
}
} // namespace

QList<LabelSpot> locateLabels(const QList<RecognizedTextBlock>& input, const QStringList& labels,
                              const QList<QRectF>& marks)
{
    const QList<RecognizedTextBlock> lines = joinedAlongRows(input);
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
                // as tall as the print after it, is no part of the label; nor
                // is a sign less than half as tall (a ring's arc read as "~").
                if (foldedText(words[first].text).isEmpty() && first + 1 < words.size() &&
                    (words[first].box.height() >= 1.5 * words[first + 1].box.height() ||
                     words[first].box.height() < 0.5 * words[first + 1].box.height() ||
                     marks.contains(words[first].box)))
                    continue;
                QString span;
                for (qsizetype count = 1; count <= wordCount + 1 && first + count <= words.size();
                     ++count) {
                    span += foldedText(words[first + count - 1].text);
                    // Fewer words than the label has are its words run
                    // together when recognition lost the spaces.
                    if (span.isEmpty() ||
                        (count + 1 < wordCount && span.size() < wanted.size() - 1))
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
    // "es"), or one at each end ("wante"): a label still missing takes an
    // unused word that is the start or end of it, or all of it but a letter
    // at each end, its box widened over the letters lost.
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
                const bool inner = !start && !end && part.size() >= 4 &&
                                   wanted.size() == part.size() + 2 &&
                                   QStringView(wanted).mid(1, part.size()) == part;
                if (!start && !end && !inner)
                    continue;
                const double similarity = double(part.size()) / double(wanted.size());
                if (best && best->similarity >= similarity)
                    continue;
                QRectF box = words[i].box;
                const double lost = box.width() * double(wanted.size() - part.size()) / part.size();
                if (inner)
                    box.adjust(-lost / 2, 0, lost / 2, 0);
                else if (end)
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

namespace {
// Capitals run wider than the mean character, spaces and points narrower.
double expectedWidth(QStringView text, double characterWidth)
{
    double characters = 0;
    for (const QChar c : text)
        characters += c.isUpper() ? 1.35 : c.isSpace() || c.isPunct() ? 0.6 : 1.0;
    return characterWidth * characters;
}

// Points, commas, brackets and the like are print, or a speck, and a bar is
// as often a capital I; any other sign read beside a label's letters
// ("10th/", "Yes<") is a pen stroke.
bool markSign(QChar c)
{
    return !c.isLetterOrNumber() && !c.isSpace() && !QStringLiteral(".,;:'\"`!?()|").contains(c);
}

struct WordPart
{
    qsizetype from = 0;
    qsizetype to = 0; // one past
    bool label = false;
};

// A word read as one or two labels' letters with a mark beside or between
// them ("10th/", "5th.6th", "10th*11th"): its parts, labels and marks
// apart; nothing when the word is no such thing.
QList<WordPart> labelAndMarkParts(const QString& text, const QSet<QString>& labelWords,
                                  const QSet<QString>& wholeLabels)
{
    qsizetype lead = 0, trail = 0;
    while (lead < text.size() && !text[lead].isLetterOrNumber())
        ++lead;
    while (trail < text.size() - lead && !text[text.size() - 1 - trail].isLetterOrNumber())
        ++trail;
    const qsizetype end = text.size() - trail;
    const auto labelWord = [&](qsizetype from, qsizetype to, const QSet<QString>& among) {
        const QStringView part = QStringView(text).mid(from, to - from);
        return part.size() >= 2 &&
               std::all_of(part.begin(), part.end(),
                           [](QChar c) { return c.isLetterOrNumber(); }) &&
               among.contains(part.toString().toLower());
    };
    QList<WordPart> middle;
    if (labelWord(lead, end, labelWords)) {
        middle = {{lead, end, true}};
    } else {
        // Two labels joined by a mark read as up to two signs, or none;
        // not two words of one label ("Itwas"). Signs only a pen draws
        // can also part two labels' words ("Technology\/Yes,").
        for (qsizetype at = lead + 2; at + 2 <= end && middle.isEmpty(); ++at)
            for (qsizetype gap = 0; gap <= 2 && at + gap + 2 <= end && middle.isEmpty(); ++gap) {
                const bool penSigns =
                    gap > 0 && std::all_of(text.begin() + at, text.begin() + at + gap, markSign);
                const QSet<QString>& among = penSigns ? labelWords : wholeLabels;
                if (labelWord(lead, at, among) && labelWord(at + gap, end, among)) {
                    middle = {{lead, at, true}};
                    if (gap > 0)
                        middle.append({at, at + gap, false});
                    middle.append({at + gap, end, true});
                }
            }
        if (middle.isEmpty())
            return {};
    }
    const auto marked = [&](qsizetype from, qsizetype to) {
        return std::any_of(text.begin() + from, text.begin() + to, markSign);
    };
    const bool cutLead = marked(0, lead), cutTrail = marked(end, text.size());
    if (middle.size() == 1 && !cutLead && !cutTrail)
        return {};
    if (cutLead)
        middle.prepend({0, lead, false});
    else
        middle.first().from = 0;
    if (cutTrail)
        middle.append({end, text.size(), false});
    else
        middle.last().to = text.size();
    return middle;
}

// Where a line's print stands, from its words of ordinary height: a mark
// reaching above or below stretches its word's box, not the letters.
struct LinePrint
{
    double top = 0;
    double bottom = 0;  // with room for descenders
    double band = 0;    // the letters' height; 0 when too few words tell
    double typical = 0; // a word's usual height

    // A box standing far taller than the line's words: stretched by a mark.
    bool stretched(const QRectF& box) const { return band > 0 && box.height() > 1.6 * typical; }
};

LinePrint linePrint(const RecognizedTextBlock& line)
{
    QList<double> tops, bottoms, heights;
    for (const TextWord& word : line.words)
        heights.append(word.box.height());
    std::sort(heights.begin(), heights.end());
    LinePrint print;
    print.typical = heights.isEmpty() ? 0 : heights[(heights.size() - 1) / 2];
    for (const TextWord& word : line.words)
        if (word.box.height() <= 1.4 * print.typical) {
            tops.append(word.box.top());
            bottoms.append(word.box.bottom());
        }
    if (tops.size() < 2)
        return print;
    std::sort(tops.begin(), tops.end());
    std::sort(bottoms.begin(), bottoms.end());
    print.band = bottoms[bottoms.size() / 2] - tops[tops.size() / 2];
    print.top = tops[tops.size() / 2] - 0.1 * print.band;
    print.bottom = print.top + 1.45 * print.band;
    return print;
}
} // namespace

QSet<QString> labelWordsOf(const QStringList& printed)
{
    QSet<QString> words;
    for (const QString& text : printed)
        for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            if (const QString folded = foldedText(word); folded.size() >= 2)
                words.insert(folded);
    return words;
}

bool readAsPenSign(const QString& word)
{
    // Brackets, bars, rules and dashes are a box's or ring's sides or print;
    // beside a slanting stroke ("__/"), a tick's foot.
    const auto side = [](QChar c) { return QStringLiteral("[]{}_-~").contains(c); };
    return !word.isEmpty() && std::all_of(word.begin(), word.end(), markSign) &&
           (std::none_of(word.begin(), word.end(), side) ||
            std::any_of(word.begin(), word.end(),
                        [](QChar c) { return QStringLiteral("/\\<>").contains(c); }));
}

QList<RecognizedTextBlock> wordsSplitAtMarks(const QList<RecognizedTextBlock>& lines,
                                             const QStringList& printed)
{
    const auto isPrinted = [&](QStringView part) {
        return std::any_of(printed.begin(), printed.end(), [&](const QString& text) {
            return text.contains(part, Qt::CaseInsensitive);
        });
    };
    const QSet<QString> labelWords = labelWordsOf(printed);
    QSet<QString> wholeLabels;
    for (const QString& text : printed)
        wholeLabels.insert(foldedText(text));
    const double characterWidth = typicalCharacterWidth(lines);
    QList<RecognizedTextBlock> out = lines;
    for (RecognizedTextBlock& line : out) {
        const LinePrint print = linePrint(line);
        QList<TextWord> words;
        for (const TextWord& word : line.words) {
            const QString& text = word.text;
            // A label's word standing taller than the line but no wider than
            // its letters: a tick or cross beside it stretched the box (a
            // ring round it would widen it too).
            if (print.stretched(word.box) && characterWidth > 0 &&
                labelWords.contains(foldedText(text)) &&
                word.box.width() <= expectedWidth(text, characterWidth) + 0.5 * print.band) {
                TextWord letters = word;
                letters.box.setTop(print.top);
                letters.box.setBottom(print.bottom);
                words.append(letters);
                continue;
            }
            if (const QList<WordPart> parts =
                    isPrinted(text) ? QList<WordPart>()
                                    : labelAndMarkParts(text, labelWords, wholeLabels);
                !parts.isEmpty()) {
                // Each part takes its characters' share of the box; a
                // label's letters no more than they take, from the word's
                // end it stands at, the rest going to the mark.
                const double step = word.box.width() / expectedWidth(text, 1.0);
                QList<TextWord> split;
                double x = word.box.left();
                for (qsizetype i = 0; i < parts.size(); ++i) {
                    const QString part = text.mid(parts[i].from, parts[i].to - parts[i].from);
                    const double width = step * expectedWidth(part, 1.0);
                    QRectF box(x, word.box.top(), width, word.box.height());
                    x += width;
                    if (parts[i].label && print.stretched(box)) {
                        box.setTop(print.top);
                        box.setBottom(print.bottom);
                    }
                    if (parts[i].label && characterWidth > 0) {
                        const double letters = std::min(width, expectedWidth(part, characterWidth));
                        if (i + 1 == parts.size() && i > 0)
                            box.setLeft(box.right() - letters);
                        else
                            box.setWidth(letters);
                    }
                    split.append({part, word.confidence, box});
                }
                // Marks fill the room between labels.
                for (qsizetype i = 0; i < parts.size(); ++i) {
                    if (parts[i].label)
                        continue;
                    if (i > 0)
                        split[i].box.setLeft(split[i - 1].box.right());
                    if (i + 1 < parts.size())
                        split[i].box.setRight(split[i + 1].box.left());
                }
                words += split;
                continue;
            }
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

bool trimToLetters(LabelSpot& spot, double characterWidth, double printHeight,
                   const std::function<bool(const QRectF&)>& drawsBox)
{
    if (characterWidth <= 0)
        return false;
    const double expected = expectedWidth(spot.label, characterWidth);
    if (spot.box.width() > expected + std::max(printHeight, 0.3 * expected)) {
        spot.box.setLeft(spot.box.right() - expected - 0.3 * printHeight);
        return true;
    }
    const QString first = spot.label.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    const double firstExpected = expectedWidth(first, characterWidth);
    // A label recognised as one word ("NotatAll") was measured whole above.
    if (spot.firstWord.isEmpty() || first.size() == spot.label.trimmed().size() ||
        spot.firstWord.right() >= spot.box.right() - 0.5 * printHeight)
        return false;
    if (const qsizetype letters = foldedText(first).size(); letters < 3) {
        // One letter ("I") is too short even so: its box takes in whatever
        // stands before it.
        if (letters < 2)
            return false;
        // Narrow letters ("It") take as little as half the typical width;
        // a word no wider than its letters holds no box (a bold "N" can
        // draw a square).
        const QRectF before(spot.firstWord.left(), spot.firstWord.top(),
                            spot.firstWord.width() - 0.5 * firstExpected, spot.firstWord.height());
        if (!drawsBox || before.width() < 0.6 * printHeight ||
            spot.firstWord.width() <= firstExpected + 0.3 * printHeight || !drawsBox(before))
            return false;
    } else if (spot.firstWord.width() <=
               firstExpected + std::max(printHeight, 0.3 * firstExpected)) {
        return false;
    }
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
        qsizetype markGroup = groupIndex(groups, rows ? at.y() : at.x(), rows ? 0.8 * h : 2.5 * h);
        // A row of its own just under the last row of labels found, or just
        // over the first (group -1 sorts before them): the labels printed
        // after, or before, them all.
        const bool under = rows && at.y() > groups.last() && at.y() <= groups.last() + 3 * h;
        const bool over = rows && at.y() < groups.first() && at.y() >= groups.first() - 3 * h;
        if (markGroup < 0 && under)
            markGroup = groups.size();
        else if (markGroup < 0 && !over)
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
