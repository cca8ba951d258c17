#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <csignal>
#include <sys/resource.h>

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

QString writePageImage(const QString& path, QSize size, int dpi, const char* format)
{
    QImage image(size, QImage::Format_Grayscale8);
    image.fill(255);
    if (dpi > 0) {
        image.setDotsPerMeterX(qRound(dpi / 0.0254));
        image.setDotsPerMeterY(qRound(dpi / 0.0254));
    }
    if (!image.save(path, format))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QStringList batchFiles(const QString& root)
{
    QStringList files;
    for (const QString& folder : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        files += QDir(QDir(root).filePath(folder)).entryList(QDir::Files, QDir::Name);
    return files;
}

FileSizeCap::FileSizeCap(qint64 bytes)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    m_previous = qint64(limit.rlim_cur);
    std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = rlim_t(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeCap::~FileSizeCap()
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_previous);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace testsupport
