#include "ImportScannerService.h"

#include "FileFeeder.h"
#include "PageImport.h"
#include "model/NaturalOrder.h"

#include <QCoro/QCoroFuture>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace {
using Kind = ScannerServiceError::Kind;

// The batch is made off the interface thread: rendering a long PDF at 300 dpi
// takes seconds. Errors come back as values so they cross threads intact.
struct ImportResult
{
    ScanBatchResult batch;
    std::optional<ScannerServiceError> error;
};
} // namespace

ImportScannerService::ImportScannerService(ImportFileChooser* chooser, QString scanRoot)
    : m_chooser(chooser), m_scanRoot(std::move(scanRoot))
{
}

ScannerDevice ImportScannerService::device()
{
    return fileFeederDevice(
        deviceId, QStringLiteral("Scanned files"), false,
        QStringLiteral("Imports image or PDF files scanned on another device."));
}

QCoro::Task<QList<ScannerDevice>> ImportScannerService::discoverScanners()
{
    co_return QList<ScannerDevice>{device()};
}

QCoro::Task<ScanBatchResult> ImportScannerService::scanBatch(ScannerDevice device,
                                                             SurveyConfiguration configuration)
{
    if (device.id != deviceId)
        throw ScannerServiceError(Kind::deviceUnavailable);
    if (!m_chooser)
        throw ScannerServiceError(Kind::platform,
                                  QStringLiteral("No way to choose files to import is available."));
    *m_canceled = false;
    const QStringList chosen = co_await m_chooser->chooseFiles();
    if (chosen.isEmpty() || *m_canceled)
        throw ScannerServiceError(Kind::scanCanceled);

    QStringList files = expandImportInputs(chosen);
    std::stable_sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return naturalLess(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    });
    if (files.isEmpty())
        throw ScannerServiceError(Kind::scanProducedNoFiles);

    // Named first: GCC 12 destroys a lambda's captures twice when the call
    // that takes it sits inside the co_await expression.
    const auto work = [files, scanRoot = m_scanRoot, configuration, canceled = m_canceled] {
        ImportResult result;
        try {
            result.batch =
                makeFileBatch(scanRoot, configuration, [&](const QString& folder, PageNumbering) {
                    return QList<QStringList>{
                        importPages(files, folder, QStringLiteral("page"), *canceled)};
                });
        } catch (const ScannerServiceError& error) {
            result.error = error;
        }
        return result;
    };
    QFuture<ImportResult> future = QtConcurrent::run(work);
    const ImportResult imported = co_await future;
    if (imported.error)
        throw *imported.error;
    co_return imported.batch;
}
