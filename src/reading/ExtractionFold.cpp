#include "ExtractionFold.h"

#include "AnswerRules.h"
#include "ReviewSnippets.h"

#include <QDateTime>
#include <QMap>
#include <algorithm>

QList<ScanPage> pagesInReadingOrder(QList<ScanPage> pages)
{
    std::stable_sort(pages.begin(), pages.end(), [](const ScanPage& a, const ScanPage& b) {
        return a.pageNumber < b.pageNumber;
    });
    return pages;
}

SurveyExtractionResult foldPageReadings(const QList<ScanPage>& pages,
                                        const QList<PageReading>& readings,
                                        const ReadingSetup& setup)
{
    SurveyExtractionResult result;
    const qint64 count = setup.questionCount;
    QMap<qint64, QStringList> rows;
    QMap<qint64, SurveyQuestion> detected;
    const std::optional<QString> note =
        setup.includeAll ? std::optional<QString>(aiFirstReviewNote) : std::nullopt;
    int cropFailures = 0;
    QString firstCropFailure;

    for (qsizetype i = 0; i < pages.size() && i < readings.size(); ++i) {
        const ScanPage& page = pages[i];
        const PageReading& reading = readings[i];
        if (!reading.skipReason.isEmpty()) {
            result.skippedPages.append({page.fileURL, reading.skipReason});
            continue;
        }
        QStringList row = rows.value(page.surveyNumber, QStringList(qsizetype(count), QString()));
        qint64 largest = count;
        for (const RegionReading& region : reading.regions)
            largest = std::max(largest, region.questionNumber);
        while (row.size() < largest)
            row.append(QString());

        for (const RegionReading& region : reading.regions) {
            const qint64 n = region.questionNumber;
            if (n - 1 < 0 || n - 1 >= row.size())
                continue;
            detected.insert(n, {n, region.prompt});
            if (!region.answer.isEmpty())
                row[n - 1] = mergeAnswers(row[n - 1], region.answer);
            if (!region.needsReview)
                continue;
            QuestionReviewItem item;
            item.surveyNumber = page.surveyNumber;
            item.pageNumber = page.pageNumber;
            item.questionNumber = n;
            item.prompt =
                region.prompt.isEmpty() ? QStringLiteral("Question %1").arg(n) : region.prompt;
            item.suggestedText = region.answer;
            item.confidence = region.confidence;
            item.reviewNote = note;
            if (const QString folder = reviewSnippetFolder(setup.crops, page); !folder.isEmpty()) {
                item.imageURL = reviewSnippetURL(folder, page.surveyNumber, page.pageNumber, n);
                const QString failure = writeSnippetFile(item.imageURL, region.cropPng);
                if (!failure.isEmpty() && cropFailures++ == 0)
                    firstCropFailure = failure;
            }
            result.reviewItems.append(item);
        }
        rows.insert(page.surveyNumber, row);
    }

    if (cropFailures > 0)
        result.problems.append(QStringLiteral("%1 review crops could not be written. %2")
                                   .arg(cropFailures)
                                   .arg(firstCropFailure));

    const QDateTime now = QDateTime::currentDateTime();
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        QStringList answers = it.value();
        answers.resize(qsizetype(count));
        for (QString& answer : answers) {
            answer = answer.trimmed();
            if (answer.isEmpty())
                answer = QStringLiteral("N/A");
        }
        result.responses.append({it.key(), now, answers});
    }
    for (qint64 n = 1; n <= count; ++n) {
        if (detected.contains(n))
            result.questions.append(detected.value(n));
        else if (setup.definition.questions.contains(n))
            result.questions.append({n, setup.definition.questions.value(n).text});
        else
            result.questions.append({n, QString()});
    }
    return result;
}
