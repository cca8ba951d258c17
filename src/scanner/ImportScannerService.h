#pragma once

#include "BatchFolder.h"
#include "ImportFileChooser.h"
#include "ScannerService.h"

#include <atomic>
#include <memory>

/// "Import Scanned Files...": pages scanned elsewhere (an office copier's
/// images or PDFs) come in as a batch, numbered like a scanner batch. Not a
/// device of the scanner list; the store runs it as an action of its own.
/// With manual two-sided surveys the fronts and the backs are chosen apart.
class ImportScannerService : public ScannerService
{
public:
    static inline const QString deviceId = QStringLiteral("import:files");

    explicit ImportScannerService(ImportFileChooser* chooser = nullptr,
                                  QString scanRoot = defaultScanRoot());

    void setFileChooser(ImportFileChooser* chooser) { m_chooser = chooser; }
    static ScannerDevice device();

    // Lists nothing: the device list holds scanners only.
    QCoro::Task<QList<ScannerDevice>> discoverScanners() override;
    // The files come in one piece at the end: a PDF's pages are only
    // numbered once every chosen file is known, so nothing is delivered early.
    QCoro::Task<ScanBatchResult> scanBatch(ScannerDevice device, SurveyConfiguration configuration,
                                           PageDelivered delivered = {}) override;
    void cancelScan() override { *m_canceled = true; }

private:
    ImportFileChooser* m_chooser;
    QString m_scanRoot;
    std::shared_ptr<std::atomic<bool>> m_canceled = std::make_shared<std::atomic<bool>>(false);
};
