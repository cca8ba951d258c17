#pragma once

#include "PageNumbering.h"
#include "ScannerService.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// What the devices that feed files already on this machine (imported scans,
// the sample stack) share with each other instead of a scanner.

// A local device with a feeder that is always online and controllable.
ScannerDevice fileFeederDevice(const QString& id, const QString& name, bool supportsDuplex,
                               const QString& statusDetail);

// Copies the files of `passes` into `folder` and returns the copies of each pass.
using CopyPasses =
    std::function<QList<QStringList>(const QString& folder, PageNumbering numbering)>;

// The copies of each pass numbered into pages and placeholder responses like
// a scanner's batch. Throws ScannerServiceError: scanProducedNoFiles when no
// pass holds a file, twoSidedIncomplete when two passes of fronts and backs
// differ in length.
ScanBatchResult numberFileBatch(const QList<QStringList>& passes, PageNumbering numbering,
                                const QString& folder, qint64 questionCount);

// One batch from files: a new batch folder under `scanRoot` named after the
// configuration's title, the files copied in by `copyPasses`, and the copies
// numbered into pages and placeholder responses like a scanner's batch.
// Throws ScannerServiceError: platform when the folder cannot be made,
// scanProducedNoFiles when nothing was copied, twoSidedIncomplete when two
// passes of fronts and backs differ in length, and what `copyPasses` throws.
ScanBatchResult makeFileBatch(const QString& scanRoot, const SurveyConfiguration& configuration,
                              const CopyPasses& copyPasses);
