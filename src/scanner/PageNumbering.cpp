#include "PageNumbering.h"

#include "model/NaturalOrder.h"

#include <QFileInfo>
#include <QSet>
#include <QUrl>
#include <algorithm>

PageNumbering pageNumberingFor(DuplexMode mode, bool scanBothSides)
{
    if (!scanBothSides)
        return PageNumbering::singleSided;
    switch (mode) {
    case DuplexMode::automatic:
        return PageNumbering::automaticDuplex;
    case DuplexMode::manual:
        return PageNumbering::manualTwoSided;
    case DuplexMode::simplex:
        break;
    }
    return PageNumbering::singleSided;
}

QList<ScanPage> makePages(const QList<QStringList>& passes, PageNumbering numbering,
                          const QDateTime& capturedAt)
{
    QStringList files;
    for (QStringList pass : passes) {
        // Devices name files by counters, so "page-10" must follow "page-9".
        std::stable_sort(pass.begin(), pass.end(), [](const QString& a, const QString& b) {
            return naturalLess(QFileInfo(a).fileName(), QFileInfo(b).fileName());
        });
        files += pass;
    }

    const qsizetype n = files.size();
    const qsizetype half = n / 2;
    QList<ScanPage> pages;
    pages.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        ScanPage page;
        switch (numbering) {
        case PageNumbering::automaticDuplex:
            page.side = i % 2 == 0 ? SurveySide::front : SurveySide::back;
            page.surveyNumber = i / 2 + 1;
            break;
        case PageNumbering::manualTwoSided:
            page.side = i < half ? SurveySide::front : SurveySide::back;
            page.surveyNumber = i < half ? i + 1 : i - half + 1;
            break;
        case PageNumbering::singleSided:
            page.side = SurveySide::front;
            page.surveyNumber = i + 1;
            break;
        }
        page.pageNumber = i + 1;
        page.capturedAt = capturedAt;
        page.fileURL = QUrl::fromLocalFile(files[i]);
        pages.append(page);
    }
    return pages;
}

QList<SurveyResponse> makePlaceholderResponses(const QList<ScanPage>& pages, qint64 questionCount,
                                               const QDateTime& capturedAt)
{
    QSet<qint64> surveys;
    for (const ScanPage& page : pages)
        surveys.insert(page.surveyNumber);
    const qint64 count = std::max<qint64>(1, surveys.size());

    QList<SurveyResponse> responses;
    responses.reserve(count);
    for (qint64 survey = 1; survey <= count; ++survey) {
        SurveyResponse response;
        response.surveyNumber = survey;
        response.capturedAt = capturedAt;
        response.answers = QStringList(std::max<qint64>(0, questionCount), QString());
        responses.append(response);
    }
    return responses;
}
