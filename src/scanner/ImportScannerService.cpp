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
    co_return QList<ScannerDevice>{};
}

QCoro::Task<ScanBatchResult> ImportScannerService::scanBatch(ScannerDevice device,
                                                             SurveyConfiguration configuration,
                                                             PageDelivered)
{
    Q_UNUSED(device); // not a device of the list: every request is an import
    if (!m_chooser)
        throw ScannerServiceError(Kind::platform,
                                  QStringLiteral("No way to choose files to import is available."));
    *m_canceled = false;
    const bool twoSided = pageNumberingFor(configuration.duplexMode, configuration.scanBothSides) ==
                          PageNumbering::manualTwoSided;
    QList<QStringList> chosen;
    for (const ImportSides sides :
         twoSided ? QList{ImportSides::fronts, ImportSides::backs} : QList{ImportSides::all}) {
        const QStringList files = co_await m_chooser->chooseFiles(sides);
        if (files.isEmpty())
            throw ScannerServiceError(Kind::nothingChosen);
        if (*m_canceled)
            throw ScannerServiceError(Kind::scanCanceled);
        chosen.append(files);
    }

    // Each choice in natural file-name order; fronts and backs stay apart
    // so that they pair at their boundary.
    QList<QStringList> passes;
    for (const QStringList& choice : chosen) {
        QStringList files = expandImportInputs(choice);
        std::stable_sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
            return naturalLess(QFileInfo(a).fileName(), QFileInfo(b).fileName());
        });
        passes.append(files);
    }
    if (std::all_of(passes.begin(), passes.end(),
                    [](const QStringList& files) { return files.isEmpty(); }))
        throw ScannerServiceError(Kind::scanProducedNoFiles);

    // Named first: GCC 12 destroys a lambda's captures twice when the call
    // that takes it sits inside the co_await expression.
    const auto work = [passes, scanRoot = m_scanRoot, configuration, canceled = m_canceled] {
        ImportResult result;
        try {
            result.batch =
                makeFileBatch(scanRoot, configuration, [&](const QString& folder, PageNumbering) {
                    if (passes.size() == 1)
                        return QList<QStringList>{
                            importPages(passes[0], folder, QStringLiteral("page"), *canceled)};
                    return QList<QStringList>{
                        importPages(passes[0], folder, QStringLiteral("fronts"), *canceled),
                        importPages(passes[1], folder, QStringLiteral("backs"), *canceled)};
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
