#include "SampleScannerService.h"

#include "FileFeeder.h"
#include "PageImport.h"
#include "model/NaturalOrder.h"

#include <QDir>
#include <algorithm>

namespace {
using Kind = ScannerServiceError::Kind;

QString copyPage(const QString& source, const QString& folder, const QString& name)
{
    const QString target = QDir(folder).filePath(name);
    copyFileAtomically(source, target);
    return target;
}
} // namespace

SampleScannerService::SampleScannerService(QString samplesFolder, QString scanRoot)
    : m_samplesFolder(std::move(samplesFolder)), m_scanRoot(std::move(scanRoot))
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
                                                             SurveyConfiguration configuration)
{
    if (device.id != deviceId)
        throw ScannerServiceError(Kind::deviceUnavailable);
    QStringList sides = QDir(m_samplesFolder).entryList({QStringLiteral("*.png")}, QDir::Files);
    std::stable_sort(sides.begin(), sides.end(), naturalLess);
    if (sides.isEmpty())
        throw ScannerServiceError(Kind::scanProducedNoFiles);

    const auto sidesAt = [&](qsizetype first, qsizetype step) {
        QStringList picked;
        for (qsizetype i = first; i < sides.size(); i += step)
            picked.append(QDir(m_samplesFolder).filePath(sides[i]));
        return picked;
    };
    const auto copyPasses = [&](const QString& folder, PageNumbering numbering) {
        const auto copyAll = [&](const QStringList& sources, const QString& stem) {
            QStringList copies;
            for (const QString& source : sources)
                copies.append(copyPage(
                    source, folder, QStringLiteral("%1-%2.png").arg(stem).arg(copies.size() + 1)));
            return copies;
        };
        QList<QStringList> passes;
        switch (numbering) {
        case PageNumbering::automaticDuplex:
            passes.append(copyAll(sidesAt(0, 1), QStringLiteral("surveys")));
            break;
        case PageNumbering::manualTwoSided:
            passes.append(copyAll(sidesAt(0, 2), QStringLiteral("fronts")));
            passes.append(copyAll(sidesAt(1, 2), QStringLiteral("backs")));
            break;
        case PageNumbering::singleSided:
            passes.append(copyAll(sidesAt(0, 2), QStringLiteral("surveys")));
            break;
        }
        return passes;
    };
    ScanBatchResult result = makeFileBatch(m_scanRoot, configuration, copyPasses);
    co_return result;
}
