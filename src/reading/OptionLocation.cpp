#include "OptionLocation.h"

#include "PageGeometry.h"

#include <QRegularExpression>
#include <algorithm>

namespace {
// The label standing on its own: no letter or digit touches it.
QRegularExpression labelPattern(const QString& label)
{
    return QRegularExpression(QStringLiteral("(?<![A-Z0-9])") + QRegularExpression::escape(label) +
                                  QStringLiteral("(?![A-Z0-9])"),
                              QRegularExpression::CaseInsensitiveOption);
}

std::optional<std::pair<qsizetype, qsizetype>> patternRange(const QString& label,
                                                            const QString& text)
{
    const QRegularExpression pattern = labelPattern(label);
    if (!pattern.isValid())
        return std::nullopt;
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || match.capturedStart(0) < 0)
        return std::nullopt;
    return std::make_pair(match.capturedStart(0), match.capturedLength(0));
}
} // namespace

QList<TextToken> tokenRanges(const QString& text)
{
    QList<TextToken> tokens;
    qsizetype i = 0;
    while (i < text.size()) {
        if (!text[i].isLetterOrNumber()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < text.size() && text[i].isLetterOrNumber())
            ++i;
        tokens.append({text.mid(start, i - start).toLower(), start, i - start});
    }
    return tokens;
}

QStringList normalizedWords(const QString& text)
{
    QStringList words;
    for (const TextToken& token : tokenRanges(text))
        words.append(token.word);
    return words;
}

namespace {
qsizetype firstRunIndex(const QStringList& phrase, const QStringList& words)
{
    if (phrase.isEmpty() || phrase.size() > words.size())
        return -1;
    for (qsizetype i = 0; i + phrase.size() <= words.size(); ++i) {
        if (std::equal(phrase.begin(), phrase.end(), words.begin() + i))
            return i;
    }
    return -1;
}
} // namespace

bool containsNormalizedPhrase(const QString& phrase, const QString& text)
{
    return firstRunIndex(normalizedWords(phrase), normalizedWords(text)) >= 0;
}

std::optional<std::pair<qsizetype, qsizetype>> normalizedPhraseRange(const QString& phrase,
                                                                     const QString& text)
{
    const QStringList phraseWords = normalizedWords(phrase);
    const QList<TextToken> tokens = tokenRanges(text);
    QStringList words;
    for (const TextToken& token : tokens)
        words.append(token.word);
    const qsizetype first = firstRunIndex(phraseWords, words);
    if (first < 0)
        return std::nullopt;
    const TextToken& last = tokens[first + phraseWords.size() - 1];
    return std::make_pair(tokens[first].start, last.start + last.length - tokens[first].start);
}

std::optional<QRectF> approximateBounds(const QString& label, const QString& blockText,
                                        const QRectF& blockBounds)
{
    std::optional<std::pair<qsizetype, qsizetype>> range = patternRange(label, blockText);
    if (!range)
        range = normalizedPhraseRange(label, blockText);
    if (!range)
        return std::nullopt;
    const double start = double(range->first);
    const double length = double(std::max<qsizetype>(1, range->second));
    const double count = double(std::max<qsizetype>(1, blockText.size()));
    const QRectF& b = blockBounds;
    return QRectF(b.left() + b.width() * start / count, b.top(),
                  std::max(b.width() * length / count, 1.2 * b.height()), b.height());
}

QList<OptionCandidate> optionCandidates(const QList<RecognizedTextBlock>& blocks,
                                        const QuestionRegion& region,
                                        const SurveyTemplateDefinition& definition)
{
    const auto question = definition.questions.constFind(region.questionNumber);
    if (question == definition.questions.cend() || question->options.isEmpty())
        return {};
    const QStringList questionWords = normalizedWords(region.questionText);
    QList<OptionCandidate> found;
    for (const RecognizedTextBlock& block : blocks) {
        const QString text = block.text.trimmed();
        if (text.isEmpty())
            continue;
        if (!questionWords.isEmpty() && questionWords == normalizedWords(text))
            continue;
        for (const QString& label : question->options) {
            const bool present =
                patternRange(label, text).has_value() || containsNormalizedPhrase(label, text);
            if (!present)
                continue;
            if (const std::optional<QRectF> box = approximateBounds(label, text, block.pixelBounds))
                found.append({label, *box});
        }
    }
    return deduplicateCandidates(found);
}

QList<OptionCandidate> deduplicateCandidates(const QList<OptionCandidate>& candidates)
{
    QList<OptionCandidate> kept;
    for (const OptionCandidate& candidate : candidates) {
        const QRectF reach = geometry::grown(candidate.bounds, 8);
        auto sameLabel = std::find_if(kept.begin(), kept.end(), [&](const OptionCandidate& k) {
            return QString::compare(k.label, candidate.label, Qt::CaseInsensitive) == 0 &&
                   geometry::intersects(k.bounds, reach);
        });
        if (sameLabel != kept.end()) {
            if (candidate.label.size() > sameLabel->label.size())
                *sameLabel = candidate;
            continue;
        }
        const auto absorbed = [&](const OptionCandidate& k) {
            return geometry::intersects(k.bounds, reach) &&
                   candidate.label.contains(k.label, Qt::CaseInsensitive);
        };
        if (std::any_of(kept.begin(), kept.end(), absorbed))
            kept.removeIf(absorbed);
        kept.append(candidate);
    }
    return kept;
}
