#include "AtomicFile.h"

#include "FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <sys/stat.h>

namespace {

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

FileError writeFailure(const QString& path, const QString& reason)
{
    return FileError(QStringLiteral("Could not write \"%1\": %2.").arg(shown(path), reason));
}

// Devices and pipes are opened and written as they are: replacing them would
// put a plain file where the device was.
void writeDirectly(const QString& filePath, const QByteArray& bytes)
{
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw writeFailure(filePath, file.errorString());
    if (file.write(bytes) != bytes.size())
        throw writeFailure(filePath, file.errorString());
}

} // namespace

QString followedLinks(const QString& filePath)
{
    QFileInfo info(filePath);
    // A loop of links ends here; opening the result then reports it.
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.filePath();
}

bool isSpecialFile(const QString& filePath)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(filePath).constData(), &status) != 0)
        return false;
    return !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

void writeFileAtomically(const QString& filePath, const QByteArray& bytes)
{
    if (filePath.isEmpty())
        throw FileError(QStringLiteral("No file location was given."));
    if (isSpecialFile(filePath)) {
        writeDirectly(filePath, bytes);
        return;
    }
    const QString target = followedLinks(filePath);
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder))
        throw FileError(QStringLiteral("Could not create the folder \"%1\". Check that the "
                                       "location exists and that you may write there.")
                            .arg(shown(folder)));
    if (info.isDir())
        throw writeFailure(filePath, QStringLiteral("a folder of that name is already there"));

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        throw writeFailure(filePath, file.errorString());
    // QSaveFile keeps small writes in its buffer, and commit() does not
    // report a flush that fails; so the bytes are pushed out and counted on
    // disk before the commit may replace the earlier file.
    const auto fail = [&file, &filePath](const QString& reason) {
        const FileError error = writeFailure(filePath, reason);
        file.cancelWriting();
        return error;
    };
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw fail(file.errorString());
    if (const qint64 written = file.size(); written != bytes.size())
        throw fail(QStringLiteral("only %1 of %2 bytes could be written; the disk may be full")
                       .arg(written)
                       .arg(bytes.size()));
    if (!file.commit())
        throw writeFailure(filePath, file.errorString());
}
