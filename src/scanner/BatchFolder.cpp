#include "BatchFolder.h"

#include "ScannerService.h"

#include <QDir>
#include <QStandardPaths>

QString batchFolderStem(const QString& title)
{
    QString stem = title.trimmed();
    stem.replace(QLatin1Char('/'), QLatin1Char('-'));
    return stem.isEmpty() ? QStringLiteral("Survey") : stem;
}

QString defaultScanRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/scans");
}

QString createBatchFolder(const QString& root, const QString& title, qint64 unixSeconds)
{
    const QString base = batchFolderStem(title) + QLatin1Char('-') + QString::number(unixSeconds);
    QDir rootDir(root);
    if (!rootDir.mkpath(QStringLiteral(".")))
        throw ScannerServiceError(
            ScannerServiceError::Kind::platform,
            QStringLiteral("The folder for scanned pages could not be created: %1").arg(root));
    // mkdir fails on an existing name, so two batches in the same second
    // never share a folder even when they race.
    for (int suffix = 1; suffix < 10000; ++suffix) {
        const QString name = suffix == 1 ? base : base + QLatin1Char('-') + QString::number(suffix);
        if (rootDir.exists(name))
            continue;
        if (rootDir.mkdir(name))
            return QDir::cleanPath(rootDir.absoluteFilePath(name));
        if (!rootDir.exists(name))
            break; // not a name clash: the root refuses new folders
    }
    throw ScannerServiceError(
        ScannerServiceError::Kind::platform,
        QStringLiteral("The folder for scanned pages could not be created in %1").arg(root));
}
