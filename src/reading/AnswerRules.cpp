#include "AnswerRules.h"

#include "OptionLocation.h"
#include "PageGeometry.h"
#include "QuestionAnchors.h"

#include <QRegularExpression>
#include <algorithm>

QList<RecognizedTextBlock> regionTextBlocks(const QList<RecognizedTextBlock>& blocks,
                                            const QRectF& regionRect)
{
    QList<RecognizedTextBlock> inside;
    for (const RecognizedTextBlock& block : blocks) {
        const QRectF& box = block.pixelBounds;
        if (geometry::contains(regionRect, box.center())) {
            inside.append(block);
            continue;
        }
        if (!geometry::intersects(box, regionRect))
            continue;
        const QRectF overlap = geometry::intersection(box, regionRect);
        const double overlapArea = overlap.width() * overlap.height();
        const double blockArea = std::max(1.0, box.width() * box.height());
        if (overlapArea > 0 && overlapArea / blockArea > 0.55)
            inside.append(block);
    }
    return inside;
}

QString regionText(const QList<RecognizedTextBlock>& regionBlocks)
{
    QStringList texts;
    for (const RecognizedTextBlock& block : regionBlocks)
        texts.append(block.text);
    return texts.join(QLatin1Char(' ')).trimmed();
}

QString questionPrompt(const QuestionRegion& region, const SurveyTemplateDefinition& definition)
{
    const auto question = definition.questions.constFind(region.questionNumber);
    if (question == definition.questions.cend() ||
        isGenericQuestionPrompt(question->text, region.questionNumber))
        return region.questionText;
    return question->text;
}

QString stripQuestionText(const QString& text, const QuestionRegion& region)
{
    QString stripped = text;
    const QRegularExpression leadingNumber(
        QStringLiteral("^\\s*(?:Q\\s*)?") + QString::number(region.questionNumber) +
            QStringLiteral("[\\).\\:\\-]?\\s*"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    stripped.remove(leadingNumber);
    if (!region.questionText.isEmpty())
        stripped.remove(region.questionText, Qt::CaseSensitive);
    return stripped.trimmed();
}

QString composeAnswer(qint64 questionNumber, const QList<DetectedMark>& marks,
                      const std::optional<UnreadInkSignal>& ink, double textConfidence,
                      const QString& strippedText, const SurveyTemplateDefinition& definition)
{
    QStringList parts;
    if (!marks.isEmpty()) {
        QStringList labels;
        for (const DetectedMark& mark : marks)
            labels.append(mark.label);
        parts.append(labels.join(QStringLiteral("; ")));
    }
    const auto question = definition.questions.constFind(questionNumber);
    const bool known = question != definition.questions.cend();
    if (known && question->kind == SurveyTemplateDefinition::QuestionKind::written) {
        if (ink)
            parts.append(handwrittenAnswerText);
    } else if (!marks.isEmpty() || (known && !question->options.isEmpty())) {
        // Marks answer the question; printed labels are never an answer.
    } else if (textConfidence >= 0.9 && !strippedText.isEmpty()) {
        parts.append(strippedText);
    }
    return parts.join(QStringLiteral(" | "));
}

double confidenceForAnswer(const QString& answer, const QList<DetectedMark>& marks,
                           const std::optional<UnreadInkSignal>& ink, double textConfidence)
{
    if (answer.isEmpty())
        return 1.0;
    if (!marks.isEmpty()) {
        double lowest = marks.first().confidence;
        for (const DetectedMark& mark : marks)
            lowest = std::min(lowest, mark.confidence);
        return lowest;
    }
    if (ink)
        return ink->confidence;
    return textConfidence;
}

QString mergeAnswers(const QString& existing, const QString& added)
{
    if (existing.isEmpty())
        return added;
    if (added.isEmpty() || existing.contains(added, Qt::CaseSensitive))
        return existing;
    return existing + QStringLiteral("; ") + added;
}

bool needsReview(const ReviewInputs& in)
{
    const bool weakMark = std::any_of(in.marks.begin(), in.marks.end(),
                                      [](const DetectedMark& m) { return m.confidence < 0.5; });
    if (!in.answer.isEmpty() && (in.confidence < in.reviewThreshold || in.hasUnreadInk))
        return true;
    if (in.answer.isEmpty() && (in.hasUnreadInk || in.hasOptions))
        return true;
    if (!in.strippedText.isEmpty() && in.confidence < 0.78)
        return true;
    if ((!in.strippedText.isEmpty() || !in.marks.isEmpty()) && weakMark)
        return true;
    return in.conflictingMarks || in.unlocatedOptions || in.includeAll;
}

QRectF reviewSnippetRect(const QuestionRegion& region, const QString& /*answer*/,
                         const QList<DetectedMark>& marks,
                         const std::optional<UnreadInkSignal>& ink,
                         const QList<RecognizedTextBlock>& regionBlocks,
                         const SurveyTemplateDefinition& definition)
{
    if (ink) {
        const QRectF& r = region.rect;
        const QRectF shrunk(r.left(), r.top() + 0.22 * r.height(), r.width(), r.height() * 0.56);
        return geometry::unite(ink->bounds, shrunk);
    }
    if (!marks.isEmpty()) {
        QRectF all = marks.first().bounds;
        for (const DetectedMark& mark : marks)
            all = geometry::unite(all, mark.bounds);
        return all;
    }
    const auto question = definition.questions.constFind(region.questionNumber);
    if (question != definition.questions.cend() && !question->options.isEmpty()) {
        const QList<OptionCandidate> candidates =
            optionCandidates(regionBlocks, region, definition);
        if (candidates.isEmpty())
            return region.rect;
        QRectF all = candidates.first().bounds;
        for (const OptionCandidate& candidate : candidates)
            all = geometry::unite(all, candidate.bounds);
        return all;
    }
    return region.rect;
}
