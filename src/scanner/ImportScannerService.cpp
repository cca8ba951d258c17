#include "ImportScannerService.h"

#include "PageImport.h"
#include "PageNumbering.h"
#include "model/NaturalOrder.h"

#include <QCoro/QCoroFuture>
#include <QDateTime>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace {
using Kind = ScannerServiceError::Kind;

// Copying runs off the interface thread: rendering a long PDF at 300 dpi
// takes seconds. Errors come back as values so they cross threads intact.
struct ImportResult
{
    QStringList files;
    std::optional<ScannerServiceError> error;
};
} // namespace

ImportScannerService::ImportScannerService(ImportFileChooser* chooser, QString scanRoot)
    : m_chooser(chooser), m_scanRoot(std::move(scanRoot))
{
}

ScannerDevice ImportScannerService::device()
{
    ScannerDevice device;
    device.id = deviceId;
    device.name = QStringLiteral("Scanned files");
    device.connection = QStringLiteral("Local");
    device.supportsDuplex = false;
    device.hasDocumentFeeder = true;
    device.isOnline = true;
    device.isControllable = true;
    device.statusDetail = QStringLiteral("Imports image or PDF files scanned on another device.");
    return device;
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

    const QString folder =
        createBatchFolder(m_scanRoot, configuration.title, QDateTime::currentSecsSinceEpoch());
    // Named first: GCC 12 destroys a lambda's captures twice when the call
    // that takes it sits inside the co_await expression.
    const auto work = [files, folder, canceled = m_canceled] {
        ImportResult result;
        try {
            result.files = importPages(files, folder, QStringLiteral("page"), *canceled);
        } catch (const ScannerServiceError& error) {
            result.error = error;
        }
        return result;
    };
    QFuture<ImportResult> future = QtConcurrent::run(work);
    const ImportResult imported = co_await future;
    if (imported.error)
        throw *imported.error;
    if (imported.files.isEmpty())
        throw ScannerServiceError(Kind::scanProducedNoFiles);

    const QDateTime now = QDateTime::currentDateTime();
    ScanBatchResult result;
    result.pages =
        makePages({imported.files},
                  pageNumberingFor(configuration.duplexMode, configuration.scanBothSides), now);
    result.responses = makePlaceholderResponses(result.pages, configuration.questionCount, now);
    co_return result;
}
