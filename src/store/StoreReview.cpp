// Review, answer editing and deletion.
#include "SurveyScanStore.h"

namespace {
const QString notAnswered = QStringLiteral("N/A");

QString answerOrNotAnswered(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? notAnswered : trimmed;
}
} // namespace

QString SurveyScanStore::answerValue(qint64 surveyNumber, qint64 questionNumber) const
{
    for (const SurveyResponse& response : m_responses) {
        if (response.surveyNumber != surveyNumber)
            continue;
        if (questionNumber < 1 || questionNumber > response.answers.size())
            return notAnswered;
        return answerOrNotAnswered(response.answers.at(questionNumber - 1));
    }
    return notAnswered;
}

void SurveyScanStore::updateAnswer(qint64 surveyNumber, qint64 questionNumber, const QString& value)
{
    auto responses = m_responses;
    auto it = std::find_if(responses.begin(), responses.end(),
                           [&](auto& r) { return r.surveyNumber == surveyNumber; });
    if (it == responses.end() || questionNumber < 1)
        return;
    EditedContent before = editedContent();
    while (it->answers.size() < questionNumber)
        it->answers.append(notAnswered);
    it->answers[questionNumber - 1] = answerOrNotAnswered(value);
    setResponses(responses);
    setAnswerSources(
        withSource(m_answerSources, {surveyNumber, questionNumber, AnswerSource::edited}));
    // The operator has settled this cell: a pending review must not later
    // overwrite it.
    auto items = m_reviewItems;
    const qsizetype settled = items.removeIf([&](const QuestionReviewItem& item) {
        return item.surveyNumber == surveyNumber && item.questionNumber == questionNumber;
    });
    setReviewItems(items);
    if (settled > 0 && m_reviewItems.isEmpty() && m_stage == ScanStage::reviewing)
        setStage(ScanStage::finished);
    persistAfterEdit();
    const QString text = QStringLiteral("survey %1, Q%2").arg(surveyNumber).arg(questionNumber);
    recordEdit(QStringLiteral("edit of ") + text, std::move(before));
    setStatusMessage(QStringLiteral("Updated ") + text + QLatin1Char('.'));
}

void SurveyScanStore::updateReviewItem(const QuestionReviewItem& item, const QString& enteredText)
{
    auto items = m_reviewItems;
    for (QuestionReviewItem& candidate : items) {
        if (candidate.id == item.id) {
            if (candidate.enteredText == enteredText)
                return;
            candidate.enteredText = enteredText;
            setReviewItems(items);
            // The queue is part of the project file now.
            setProjectDirty(true);
            return;
        }
    }
}

void SurveyScanStore::applyReviewItem(const QuestionReviewItem& item)
{
    auto responses = m_responses;
    auto it = std::find_if(responses.begin(), responses.end(),
                           [&](auto& r) { return r.surveyNumber == item.surveyNumber; });
    if (it == responses.end())
        return;
    if (item.questionNumber < 1 || item.questionNumber > it->answers.size())
        return;
    QString value = item.enteredText.trimmed();
    // A written question's suggestion is the reader's placeholder, not what
    // the person wrote: only typed or spoken text is an answer there.
    const auto field = templateField(item.questionNumber);
    const bool written = field && field->detectionMode == SurveyDetectionMode::written;
    if (value.isEmpty() && !written)
        value = item.suggestedText.trimmed();
    if (value.isEmpty()) {
        setStatusMessage(written ? QStringLiteral("Nothing applied: type the answer, or N/A when "
                                                  "the field is really empty.")
                                 : QStringLiteral("Nothing applied: choose an answer, or type N/A "
                                                  "when none is marked."));
        return;
    }
    EditedContent before = editedContent();
    it->answers[item.questionNumber - 1] = value;
    setResponses(responses);
    setAnswerSources(withSource(m_answerSources,
                                {item.surveyNumber, item.questionNumber, AnswerSource::reviewed}));

    auto items = m_reviewItems;
    items.removeIf([&](const QuestionReviewItem& candidate) { return candidate.id == item.id; });
    setReviewItems(items);
    persistAfterEdit();
    if (m_reviewItems.isEmpty())
        setStage(ScanStage::finished);
    recordEdit(
        QStringLiteral("answer for survey %1, Q%2").arg(item.surveyNumber).arg(item.questionNumber),
        std::move(before));

    if (!m_reviewItems.isEmpty()) {
        setStatusMessage(QStringLiteral("Review %1 uncertain answers.").arg(m_reviewItems.size()));
    } else {
        setStatusMessage(QStringLiteral("All uncertain answers reviewed."));
    }
}

void SurveyScanStore::deleteResponse(const SurveyResponse& response)
{
    const qint64 number = response.surveyNumber;
    EditedContent before = editedContent();
    auto responses = m_responses;
    responses.removeIf([&](const SurveyResponse& r) { return r.surveyNumber == number; });
    auto pages = m_pages;
    pages.removeIf([&](const ScanPage& p) { return p.surveyNumber == number; });
    auto items = m_reviewItems;
    items.removeIf([&](const QuestionReviewItem& i) { return i.surveyNumber == number; });
    setResponses(responses);
    setPages(pages);
    setReviewItems(items);
    setAnswerSources(withoutSurvey(m_answerSources, number));
    if (m_selectedSurveyNumber == number) {
        setSelectedSurveyNumber(m_responses.isEmpty()
                                    ? std::nullopt
                                    : std::optional<qint64>(m_responses.first().surveyNumber));
    }
    persistAfterEdit();
    recordEdit(QStringLiteral("deletion of survey %1").arg(number), std::move(before));
    setStatusMessage(QStringLiteral("Deleted survey %1.").arg(number));
}

void SurveyScanStore::skipReviewItem(const QuestionReviewItem& item)
{
    auto items = m_reviewItems;
    const qsizetype index = std::distance(
        items.begin(), std::find_if(items.begin(), items.end(),
                                    [&](const QuestionReviewItem& c) { return c.id == item.id; }));
    if (index >= items.size() || index == items.size() - 1)
        return;
    items.append(items.takeAt(index));
    setReviewItems(items);
}
