#include "TestSupport.h"

#include <QDir>
#include <QFile>

namespace testsupport {

QString sourceDir()
{
    const QByteArray fromEnv = qgetenv("TW_SOURCE_DIR");
    if (!fromEnv.isEmpty())
        return QString::fromLocal8Bit(fromEnv);
    return QDir::currentPath();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString readText(const QString& path)
{
    return QString::fromUtf8(readBytes(path));
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace testsupport
