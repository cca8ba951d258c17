#include "QuestionAnchors.h"

#include "PageGeometry.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {
const QRegularExpression& anchorPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("(?:^|\\s)(?:Q\\s*)?([0-9]{1,3})[\\).\\:\\-]\\s+(.+?)(?=\\s(?:Q\\s*)?[0-9]{"
                       "1,3}[\\).\\:\\-]\\s+|$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return pattern;
}

// Tesseract sometimes drops the space between a question number and its
// wording ("1.lam:" for "1. I am:"); a number glued to a letter gets its
// space back so the question is still found.
QString withSpaceAfterNumbers(const QString& text)
{
    static const QRegularExpression glued(QStringLiteral("((?:^|\\s)(?:Q\\s*)?[0-9]{1,3}[\\).\\:"
                                                         "\\-])(?=\\p{L})"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::UseUnicodePropertiesOption);
    // A capital I glued to the number at the start of a line comes out as a
    // digit or bar, sometimes with a point of its own ("1.1 am:", "1.1. am:"
    // for "1. I am:").
    static const QRegularExpression gluedI(
        QStringLiteral("^(\\s*(?:Q\\s*)?[0-9]{1,3}[\\).])[1l|]\\.?(?=\\s+\\p{Ll})"),
        QRegularExpression::UseUnicodePropertiesOption);
    QString spaced = text;
    spaced.replace(gluedI, QStringLiteral("\\1 I"));
    spaced.replace(glued, QStringLiteral("\\1 "));
    return spaced;
}
} // namespace

QString trimmedText(const QString& text)
{
    return text.trimmed();
}

double averageConfidence(const QList<RecognizedTextBlock>& blocks)
{
    if (blocks.isEmpty())
        return 0;
    double sum = 0;
    for (const RecognizedTextBlock& block : blocks)
        sum += block.confidence;
    return sum / double(blocks.size());
}

QList<RecognizedTextBlock> sortedInReadingOrder(QList<RecognizedTextBlock> blocks)
{
    std::stable_sort(blocks.begin(), blocks.end(),
                     [](const RecognizedTextBlock& a, const RecognizedTextBlock& b) {
                         if (std::abs(a.pixelBounds.top() - b.pixelBounds.top()) <= 12)
                             return a.pixelBounds.left() < b.pixelBounds.left();
                         return a.pixelBounds.top() < b.pixelBounds.top();
                     });
    return blocks;
}

QList<QuestionAnchor> parseQuestionAnchors(const RecognizedTextBlock& block, qint64 questionCount)
{
    QList<QuestionAnchor> anchors;
    const QString text = withSpaceAfterNumbers(trimmedText(block.text));
    if (text.isEmpty())
        return anchors;
    QList<QRegularExpressionMatch> matches;
    auto it = anchorPattern().globalMatch(text);
    while (it.hasNext())
        matches.append(it.next());
    const QRectF box = block.pixelBounds;
    const double count = std::max<qsizetype>(1, text.size());
    for (const QRegularExpressionMatch& match : matches) {
        if (!match.hasCaptured(1) || !match.hasCaptured(2))
            continue;
        bool ok = false;
        const qint64 number = match.captured(1).toLongLong(&ok);
        if (match.captured(1).isEmpty() || !ok || number < 1 || number > questionCount)
            continue;
        QRectF bounds = box;
        if (matches.size() != 1) {
            const double loc = std::max<qsizetype>(0, match.capturedStart(0));
            const double len = std::max<qsizetype>(1, match.capturedLength(0));
            bounds = QRectF(box.left() + box.width() * loc / count, box.top(),
                            std::max(box.width() * len / count, box.height() * 1.2), box.height());
        }
        anchors.append({number, match.captured(2).trimmed(), bounds});
    }
    return anchors;
}

QList<QuestionAnchor> detectQuestionAnchors(const QList<RecognizedTextBlock>& blocks,
                                            qint64 questionCount)
{
    QList<QuestionAnchor> kept;
    for (const RecognizedTextBlock& block : sortedInReadingOrder(blocks)) {
        for (const QuestionAnchor& anchor : parseQuestionAnchors(block, questionCount)) {
            auto same = std::find_if(kept.begin(), kept.end(), [&](const QuestionAnchor& k) {
                return k.questionNumber == anchor.questionNumber;
            });
            if (same == kept.end()) {
                kept.append(anchor);
                continue;
            }
            same->bounds = geometry::unite(same->bounds, anchor.bounds);
            if (same->questionText.isEmpty())
                same->questionText = anchor.questionText;
            else if (!anchor.questionText.isEmpty() &&
                     !same->questionText.contains(anchor.questionText, Qt::CaseInsensitive))
                same->questionText += QLatin1Char(' ') + anchor.questionText;
        }
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const QuestionAnchor& a, const QuestionAnchor& b) {
                         return a.questionNumber < b.questionNumber;
                     });
    return kept;
}

bool isGenericQuestionPrompt(const QString& prompt, qint64 questionNumber)
{
    return QString::compare(trimmedText(prompt),
                            QStringLiteral("Question ") + QString::number(questionNumber),
                            Qt::CaseInsensitive) == 0;
}
