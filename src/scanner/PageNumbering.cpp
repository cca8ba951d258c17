#include "PageNumbering.h"

#include "ScanEndText.h"
#include "ScannerService.h"
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

namespace {
// Devices name files by counters, so "page-10" must follow "page-9".
QStringList inFileNameOrder(QStringList files)
{
    std::stable_sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return naturalLess(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    });
    return files;
}
} // namespace

QList<ScanPage> makePages(const QList<QStringList>& passes, PageNumbering numbering,
                          const QDateTime& capturedAt)
{
    QStringList files;
    for (const QStringList& pass : passes)
        files += inFileNameOrder(pass);

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

QList<ScanPage> makeTwoSidedPages(const QStringList& fronts, const QStringList& backs,
                                  const QString& folder, const QDateTime& capturedAt)
{
    if (fronts.size() != backs.size())
        throw ScannerServiceError(ScannerServiceError::Kind::twoSidedIncomplete,
                                  unpairedSidesText(fronts.size(), backs.size(), folder));
    const QStringList sides[] = {inFileNameOrder(fronts), inFileNameOrder(backs)};
    QList<ScanPage> pages;
    pages.reserve(fronts.size() * 2);
    for (const SurveySide side : {SurveySide::front, SurveySide::back}) {
        const QStringList& files = sides[side == SurveySide::front ? 0 : 1];
        for (qsizetype i = 0; i < files.size(); ++i) {
            ScanPage page;
            page.side = side;
            page.surveyNumber = i + 1;
            page.pageNumber = pages.size() + 1;
            page.capturedAt = capturedAt;
            page.fileURL = QUrl::fromLocalFile(files[i]);
            pages.append(page);
        }
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
