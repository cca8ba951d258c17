#include "PromptAnchors.h"

#include "QuestionAnchors.h"
#include "TextMatching.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>

LeadingNumber leadingQuestionNumber(const QString& line)
{
    // A digit first, or a letter that recognition gives for one when a
    // separator follows it ("l. I am:"); "I am" itself is no number.
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(?:Q\\s*)?([0-9][0-9OoIl|Ss]{0,2}|[OoIl|Ss]{1,2}(?=\\s*[.):\\-]))"
                       "\\s*[.):\\-,;]?\\s*(.*)$"),
        QRegularExpression::UseUnicodePropertiesOption |
            QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(line);
    if (!match.hasMatch())
        return {0, line.trimmed()};
    QString digits = match.captured(1);
    for (QChar& c : digits) {
        if (c == QLatin1Char('O') || c == QLatin1Char('o'))
            c = QLatin1Char('0');
        else if (c == QLatin1Char('I') || c == QLatin1Char('l') || c == QLatin1Char('|'))
            c = QLatin1Char('1');
        else if (c == QLatin1Char('S') || c == QLatin1Char('s'))
            c = QLatin1Char('5');
    }
    bool ok = false;
    const qint64 number = digits.toLongLong(&ok);
    return {ok ? number : 0, match.captured(2).trimmed()};
}

namespace {
struct PromptMatch
{
    qsizetype block = -1;
    double score = 0;
    QString rest;
};

// How well the rest of a line reads as the question's wording: the whole
// wording, or its first part when the wording runs on to a second line.
double promptSimilarity(const QString& rest, const QString& prompt)
{
    if (rest.isEmpty() || prompt.isEmpty())
        return 0;
    if (rest.size() >= prompt.size())
        return textSimilarity(rest.left(prompt.size()), prompt);
    if (rest.size() < std::min<qsizetype>(prompt.size(), 12))
        return textSimilarity(rest, prompt) * 0.9;
    return textSimilarity(rest, prompt.left(rest.size()));
}

// The anchors whose numbers rise down the page: the longest such run, so a
// line that only looks like a question (a label repeating its wording) drops
// out.
QList<QuestionAnchor> inPageOrder(QList<QuestionAnchor> anchors)
{
    std::sort(anchors.begin(), anchors.end(), [](const QuestionAnchor& a, const QuestionAnchor& b) {
        return a.bounds.top() < b.bounds.top();
    });
    const qsizetype n = anchors.size();
    QList<int> length(n, 1), previous(n, -1);
    for (qsizetype i = 0; i < n; ++i)
        for (qsizetype j = 0; j < i; ++j)
            if (anchors[j].questionNumber < anchors[i].questionNumber &&
                length[j] + 1 > length[i]) {
                length[i] = length[j] + 1;
                previous[i] = int(j);
            }
    qsizetype best = -1;
    for (qsizetype i = 0; i < n; ++i)
        if (best < 0 || length[i] > length[best])
            best = i;
    QList<QuestionAnchor> kept;
    for (qsizetype i = best; i >= 0; i = previous[i])
        kept.prepend(anchors[i]);
    std::sort(kept.begin(), kept.end(), [](const QuestionAnchor& a, const QuestionAnchor& b) {
        return a.questionNumber < b.questionNumber;
    });
    return kept;
}
} // namespace

QList<QuestionAnchor> templateQuestionAnchors(const QList<RecognizedTextBlock>& blocks,
                                              const SurveyTemplateDefinition& definition,
                                              qint64 questionCount)
{
    // Per block, the question its wording reads as best.
    std::map<qsizetype, std::pair<qint64, PromptMatch>> byBlock;
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const LeadingNumber lead = leadingQuestionNumber(blocks[i].text);
        const QString rest = foldedText(lead.rest);
        for (auto it = definition.questions.cbegin(); it != definition.questions.cend(); ++it) {
            const qint64 n = it.key();
            if (n < 1 || n > questionCount || isGenericQuestionPrompt(it->text, n))
                continue;
            const QString prompt = foldedText(it->text);
            const double similarity = promptSimilarity(rest, prompt);
            const bool numbered = lead.number == n;
            const qsizetype compared = std::min(rest.size(), prompt.size());
            // A short wording ("I am:") counts on its own only as a whole line.
            const bool wholeShortLine = similarity >= 0.9 && rest.size() <= prompt.size() + 2;
            const bool accepted = (numbered && similarity >= 0.6) ||
                                  (similarity >= 0.82 && compared >= 10) || wholeShortLine;
            if (!accepted)
                continue;
            const double score = similarity + (numbered ? 0.3 : 0.0);
            auto held = byBlock.find(i);
            if (held == byBlock.end() || score > held->second.second.score)
                byBlock[i] = {n, PromptMatch{i, score, lead.rest}};
        }
    }
    std::map<qint64, PromptMatch> byNumber;
    for (const auto& [block, found] : byBlock) {
        auto held = byNumber.find(found.first);
        if (held == byNumber.end() || found.second.score > held->second.score)
            byNumber[found.first] = found.second;
    }
    QList<QuestionAnchor> anchors;
    QList<qsizetype> used;
    for (const auto& [n, match] : byNumber) {
        anchors.append({n, match.rest, blocks[match.block].pixelBounds});
        used.append(match.block);
    }
    // Questions the wording missed, by their printed number.
    for (const QuestionAnchor& numbered : detectQuestionAnchors(blocks, questionCount)) {
        if (byNumber.count(numbered.questionNumber))
            continue;
        const bool taken = std::any_of(used.begin(), used.end(), [&](qsizetype b) {
            return blocks[b].pixelBounds.intersects(numbered.bounds);
        });
        if (!taken)
            anchors.append(numbered);
    }
    return inPageOrder(anchors);
}
