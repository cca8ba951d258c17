#include "SurveyMerging.h"

#include <QMap>
#include <QUuid>
#include <algorithm>

QList<ScanPage> renumberPages(const QList<ScanPage>& pages, qint64 first, qint64 base)
{
    if (pages.isEmpty())
        return {};
    const qint64 offset = first - std::ranges::min(pages, {}, &ScanPage::surveyNumber).surveyNumber;
    QList<ScanPage> result;
    result.reserve(pages.size());
    for (const ScanPage& page : pages) {
        ScanPage copy = page;
        copy.id = QUuid::createUuid();
        copy.surveyNumber = page.surveyNumber + offset;
        copy.pageNumber = base + page.pageNumber;
        result.append(copy);
    }
    return result;
}

QList<SurveyResponse> renumberResponses(const QList<SurveyResponse>& responses, qint64 first)
{
    if (responses.isEmpty())
        return {};
    const qint64 offset =
        first - std::ranges::min(responses, {}, &SurveyResponse::surveyNumber).surveyNumber;
    QList<SurveyResponse> result = responses;
    for (SurveyResponse& response : result)
        response.surveyNumber += offset;
    return result;
}

QList<SurveyResponse> mergeResponses(const QList<SurveyResponse>& existing,
                                     const QList<SurveyResponse>& added)
{
    QMap<qint64, SurveyResponse> bySurvey;
    for (const SurveyResponse& response : existing)
        bySurvey.insert(response.surveyNumber, response);
    for (const SurveyResponse& response : added)
        bySurvey.insert(response.surveyNumber, response);
    return bySurvey.values();
}

QList<SurveyQuestion> mergeQuestions(const QList<SurveyQuestion>& existing,
                                     const QList<SurveyQuestion>& added, qint64 questionCount)
{
    QMap<qint64, SurveyQuestion> byNumber;
    for (const SurveyQuestion& question : existing)
        byNumber.insert(question.number, question);
    for (const SurveyQuestion& question : added) {
        if (!question.text.trimmed().isEmpty())
            byNumber.insert(question.number, question);
    }
    const qint64 largest = byNumber.isEmpty() ? 0 : byNumber.lastKey();
    const qint64 count = std::max(largest, questionCount);
    QList<SurveyQuestion> result;
    for (qint64 n = 1; n <= count; ++n)
        result.append(byNumber.value(n, SurveyQuestion{n, QString()}));
    return result;
}

qint64 questionCountForTemplate(const QList<SurveyTemplateField>& fields)
{
    qint64 largest = 0;
    for (const SurveyTemplateField& field : fields)
        largest = std::max(largest, field.number);
    return std::max<qint64>(largest, 1);
}

QList<SurveyTemplateField> normalizedTemplateFields(const QList<SurveyTemplateField>& fields)
{
    QMap<qint64, SurveyTemplateField> byNumber;
    for (const SurveyTemplateField& field : fields)
        byNumber.insert(field.number, field);
    return byNumber.values();
}
