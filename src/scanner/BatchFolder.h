#pragma once

#include <QString>

// The folder name a batch title gives: trimmed, "/" replaced by "-", and
// "Survey" when nothing is left.
QString batchFolderStem(const QString& title);

// Where batch folders live: scanned pages must outlive reboots because the
// project file points at them by absolute path.
QString defaultScanRoot();

// Creates `<root>/<stem>-<seconds>` with all missing parents, or the same name
// followed by "-2", "-3", ... when it is taken, and returns its absolute path.
// Throws ScannerServiceError (platform) when the folder cannot be created.
QString createBatchFolder(const QString& root, const QString& title, qint64 unixSeconds);
