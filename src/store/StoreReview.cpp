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
    while (it->answers.size() < questionNumber)
        it->answers.append(notAnswered);
    it->answers[questionNumber - 1] = answerOrNotAnswered(value);
    setResponses(responses);
    persistAfterEdit();
    setStatusMessage(
        QStringLiteral("Updated survey %1, Q%2.").arg(surveyNumber).arg(questionNumber));
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
    if (value.isEmpty())
        value = item.suggestedText.trimmed();
    if (value.isEmpty())
        return;
    it->answers[item.questionNumber - 1] = value;
    setResponses(responses);

    auto items = m_reviewItems;
    items.removeIf([&](const QuestionReviewItem& candidate) { return candidate.id == item.id; });
    setReviewItems(items);
    persistAfterEdit();

    if (!m_reviewItems.isEmpty()) {
        setStatusMessage(QStringLiteral("Review %1 uncertain answers.").arg(m_reviewItems.size()));
    } else {
        setStage(ScanStage::finished);
        setStatusMessage(QStringLiteral("All uncertain answers reviewed."));
    }
}

void SurveyScanStore::deleteResponse(const SurveyResponse& response)
{
    const qint64 number = response.surveyNumber;
    auto responses = m_responses;
    responses.removeIf([&](const SurveyResponse& r) { return r.surveyNumber == number; });
    auto pages = m_pages;
    pages.removeIf([&](const ScanPage& p) { return p.surveyNumber == number; });
    auto items = m_reviewItems;
    items.removeIf([&](const QuestionReviewItem& i) { return i.surveyNumber == number; });
    setResponses(responses);
    setPages(pages);
    setReviewItems(items);
    if (m_selectedSurveyNumber == number) {
        setSelectedSurveyNumber(m_responses.isEmpty()
                                    ? std::nullopt
                                    : std::optional<qint64>(m_responses.first().surveyNumber));
    }
    persistAfterEdit();
    setStatusMessage(QStringLiteral("Deleted survey %1.").arg(number));
}
