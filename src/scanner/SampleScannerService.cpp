#include "SampleScannerService.h"

#include "FileFeeder.h"
#include "PageImport.h"
#include "ScanEndText.h"
#include "model/NaturalOrder.h"

#include <QCoro/QCoroFuture>
#include <QCoro/QCoroTimer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <chrono>

namespace {
using Kind = ScannerServiceError::Kind;

// One pass through the feeder: its document name and its sheets, each the
// sample files of the sides scanned together.
struct SamplePass
{
    QString stem;
    QList<QStringList> sheets;
};

QList<SamplePass> samplePasses(const QStringList& sides, PageNumbering numbering)
{
    const auto sheetsOf = [&](qsizetype first, qsizetype step, qsizetype sidesPerSheet) {
        QList<QStringList> sheets;
        for (qsizetype i = first; i < sides.size(); i += step)
            sheets.append(sides.mid(i, sidesPerSheet));
        return sheets;
    };
    switch (numbering) {
    case PageNumbering::automaticDuplex:
        return {{QStringLiteral("surveys"), sheetsOf(0, 2, 2)}};
    case PageNumbering::manualTwoSided:
        return {{QStringLiteral("fronts"), sheetsOf(0, 2, 1)},
                {QStringLiteral("backs"), sheetsOf(1, 2, 1)}};
    case PageNumbering::singleSided:
        break;
    }
    return {{QStringLiteral("surveys"), sheetsOf(0, 2, 1)}};
}

// Copies made off the interface thread; a failure comes back as a value so
// that it crosses threads intact.
struct SheetCopies
{
    QStringList files;
    std::optional<ScannerServiceError> error;
};

SheetCopies copySheet(const QStringList& sources, const QString& folder, const QString& stem,
                      qsizetype firstNumber)
{
    SheetCopies copies;
    try {
        for (const QString& source : sources) {
            // A scanner names its pages after the document, in its own format.
            const QString target =
                QDir(folder).filePath(QStringLiteral("%1-%2.%3")
                                          .arg(stem)
                                          .arg(firstNumber + copies.files.size())
                                          .arg(QFileInfo(source).suffix().toLower()));
            copyFileAtomically(source, target);
            copies.files.append(target);
        }
    } catch (const ScannerServiceError& error) {
        copies.error = error;
    }
    return copies;
}
} // namespace

SampleScannerService::SampleScannerService(QString samplesFolder, QString scanRoot,
                                           double sheetsPerMinute)
    : m_samplesFolder(std::move(samplesFolder)), m_scanRoot(std::move(scanRoot)),
      m_sheetsPerMinute(sheetsPerMinute)
{
}

ScannerDevice SampleScannerService::device()
{
    return fileFeederDevice(deviceId, QStringLiteral("Sample surveys"), true,
                            QStringLiteral("Feeds the bundled sample surveys; no scanner needed."));
}

QCoro::Task<QList<ScannerDevice>> SampleScannerService::discoverScanners()
{
    co_return QList<ScannerDevice>{device()};
}

QCoro::Task<ScanBatchResult> SampleScannerService::scanBatch(ScannerDevice device,
                                                             SurveyConfiguration configuration,
                                                             PageDelivered delivered)
{
    if (device.id != deviceId)
        throw ScannerServiceError(Kind::deviceUnavailable);
    QStringList sides =
        QDir(m_samplesFolder)
            .entryList({QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")},
                       QDir::Files);
    std::stable_sort(sides.begin(), sides.end(), naturalLess);
    if (sides.isEmpty())
        throw ScannerServiceError(Kind::scanProducedNoFiles);
    for (QString& side : sides)
        side = QDir(m_samplesFolder).filePath(side);

    m_canceled = false;
    const PageNumbering numbering =
        pageNumberingFor(configuration.duplexMode, configuration.scanBothSides);
    const QString folder =
        createBatchFolder(m_scanRoot, configuration.title, QDateTime::currentSecsSinceEpoch());
    using namespace std::chrono;
    const auto sheetInterval =
        m_sheetsPerMinute > 0
            ? duration_cast<steady_clock::duration>(duration<double>(60.0 / m_sheetsPerMinute))
            : steady_clock::duration::zero();
    auto nextSheet = steady_clock::now();
    QList<QStringList> passes;
    for (const SamplePass& pass : samplePasses(sides, numbering)) {
        QStringList files;
        for (const QStringList& sheet : pass.sheets) {
            // A sheet leaves the feeder once it has been scanned.
            nextSheet += sheetInterval;
            if (const auto wait = duration_cast<milliseconds>(nextSheet - steady_clock::now());
                wait.count() > 0) {
                auto sleeping = QCoro::sleepFor(wait);
                co_await std::move(sleeping);
            }
            if (m_canceled)
                break;
            const auto copy = [sheet, folder, stem = pass.stem, first = files.size() + 1] {
                return copySheet(sheet, folder, stem, first);
            };
            QFuture<SheetCopies> copying = QtConcurrent::run(copy);
            const SheetCopies copies = co_await copying;
            if (copies.error)
                throw *copies.error;
            files.append(copies.files);
            for (const QString& file : copies.files)
                if (delivered)
                    delivered(file);
        }
        passes.append(files);
        if (m_canceled)
            break;
    }

    if (m_canceled) {
        const ScannerServiceError canceled(Kind::scanCanceled);
        if (numbering == PageNumbering::manualTwoSided) {
            if (passes.size() == 1 && !passes[0].isEmpty())
                throw ScannerServiceError(Kind::twoSidedIncomplete,
                                          frontsStoppedText(passes[0].size(), canceled, folder));
            if (passes.size() == 2)
                throw ScannerServiceError(
                    Kind::twoSidedIncomplete,
                    unpairedSidesText(passes[0].size(), passes[1].size(), folder));
        }
        if (passes.isEmpty() || passes[0].isEmpty())
            throw canceled;
        ScanBatchResult kept =
            numberFileBatch(passes, numbering, folder, configuration.questionCount);
        kept.endedEarly = ScanEarlyEnd{ScanStopCause::canceled, canceled.description()};
        co_return kept;
    }
    co_return numberFileBatch(passes, numbering, folder, configuration.questionCount);
}
