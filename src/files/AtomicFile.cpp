#include "AtomicFile.h"

#include "FileError.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

void writeFileAtomically(const QString& filePath, const QByteArray& bytes)
{
    if (filePath.isEmpty())
        throw FileError(QStringLiteral("No file location was given."));
    const QFileInfo info(filePath);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder))
        throw FileError(QStringLiteral("Could not create the folder \"%1\". Check that the "
                                       "location exists and that you may write there.")
                            .arg(QDir::toNativeSeparators(folder)));
    if (info.isDir())
        throw FileError(QStringLiteral("Could not write \"%1\": a folder of that name is "
                                       "already there.")
                            .arg(QDir::toNativeSeparators(filePath)));

    QSaveFile file(filePath);
    const auto failed = [&file, &filePath]() {
        return FileError(QStringLiteral("Could not write \"%1\": %2.")
                             .arg(QDir::toNativeSeparators(filePath), file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        throw failed();
    if (file.write(bytes) != bytes.size()) {
        const FileError error = failed();
        file.cancelWriting();
        throw error;
    }
    if (!file.commit())
        throw failed();
}
