#include "ExtractionFold.h"

#include "AnswerRules.h"
#include "ReviewSnippets.h"

#include <QDateTime>
#include <QMap>
#include <QSet>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>

QList<ScanPage> pagesInReadingOrder(QList<ScanPage> pages)
{
    std::stable_sort(pages.begin(), pages.end(), [](const ScanPage& a, const ScanPage& b) {
        return a.pageNumber < b.pageNumber;
    });
    return pages;
}

namespace {
// Where the page view finds the item: the page as read, and the crop on it.
void setPagePlace(QuestionReviewItem& item, const ScanPage& page, const PageTurn& turn,
                  const QRectF& crop)
{
    item.pageURL = page.fileURL;
    item.quarterTurns = turn.quarterTurns;
    item.skewDegrees = turn.skewDegrees;
    item.cropRect = crop;
}

// Of a survey's pages, the one whose questions lie nearest to n.
qsizetype nearestPage(const QList<qsizetype>& pageIndexes, const QList<PageReading>& readings,
                      qint64 n)
{
    qsizetype best = pageIndexes.first();
    qint64 bestGap = -1;
    for (qsizetype index : pageIndexes) {
        for (const RegionReading& region : readings[index].regions) {
            const qint64 gap = std::abs(region.questionNumber - n);
            if (bestGap < 0 || gap < bestGap) {
                bestGap = gap;
                best = index;
            }
        }
    }
    return best;
}
} // namespace

SurveyExtractionResult foldPageReadings(const QList<ScanPage>& pages,
                                        const QList<PageReading>& readings,
                                        const ReadingSetup& setup)
{
    SurveyExtractionResult result;
    const qint64 count = setup.questionCount;
    QMap<qint64, QStringList> rows;
    QMap<qint64, SurveyQuestion> detected;
    // Per survey, the questions some page gave a place, and the pages read.
    QMap<qint64, QSet<qint64>> placed;
    QMap<qint64, QList<qsizetype>> readPages;
    const std::optional<QString> note =
        setup.includeAll ? std::optional<QString>(aiFirstReviewNote) : std::nullopt;
    int cropFailures = 0;
    QString firstCropFailure;
    // A crop to write: its bytes, or the page whose overview stands for it.
    struct Crop
    {
        QUrl file;
        QByteArray png;
        QUrl overviewOf;
    };
    QList<Crop> crops;

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

        readPages[page.surveyNumber].append(i);
        for (const RegionReading& region : reading.regions) {
            const qint64 n = region.questionNumber;
            if (n - 1 < 0 || n - 1 >= row.size())
                continue;
            placed[page.surveyNumber].insert(n);
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
            item.reviewNote = region.reviewNote ? region.reviewNote : note;
            setPagePlace(item, page, reading.turn, region.cropRect);
            if (const QString folder = reviewSnippetFolder(setup.crops, page); !folder.isEmpty()) {
                item.imageURL = reviewSnippetURL(folder, page.surveyNumber, page.pageNumber, n);
                crops.append({item.imageURL, region.cropPng, {}});
            }
            result.reviewItems.append(item);
        }
        rows.insert(page.surveyNumber, row);
    }

    // A question no page of its survey showed may still hold an answer: a
    // person looks at the page where it should be.
    for (auto it = readPages.cbegin(); it != readPages.cend(); ++it) {
        const QSet<qint64> found = placed.value(it.key());
        for (auto q = setup.definition.questions.cbegin(); q != setup.definition.questions.cend();
             ++q) {
            const qint64 n = q.key();
            if (n < 1 || n > count || found.contains(n) || setup.ignored.contains(n))
                continue;
            const qsizetype at = nearestPage(it.value(), readings, n);
            const ScanPage& page = pages[at];
            QuestionReviewItem item;
            item.surveyNumber = page.surveyNumber;
            item.pageNumber = page.pageNumber;
            item.questionNumber = n;
            item.prompt = q->text.isEmpty() ? QStringLiteral("Question %1").arg(n) : q->text;
            item.confidence = 1.0;
            item.reviewNote = questionNotFoundNote;
            setPagePlace(item, page, readings[at].turn, QRectF());
            if (const QString folder = reviewSnippetFolder(setup.crops, page); !folder.isEmpty()) {
                item.imageURL = reviewSnippetURL(folder, page.surveyNumber, page.pageNumber, n);
                crops.append({item.imageURL, {}, page.fileURL});
            }
            result.reviewItems.append(item);
        }
    }
    // Written several at a time: each file is synced to disk, which is
    // mostly waiting. A name given twice keeps its last crop, as written
    // in turn it would.
    QSet<QUrl> named;
    for (qsizetype i = crops.size() - 1; i >= 0; --i)
        if (named.contains(crops[i].file))
            crops.removeAt(i);
        else
            named.insert(crops[i].file);
    const QList<QString> failures = QtConcurrent::blockingMapped(crops, [](const Crop& crop) {
        return writeSnippetFile(
            crop.file, crop.overviewOf.isEmpty() ? crop.png : pageOverviewPng(crop.overviewOf));
    });
    for (const QString& failure : failures)
        if (!failure.isEmpty() && cropFailures++ == 0)
            firstCropFailure = failure;
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
