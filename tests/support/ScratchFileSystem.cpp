#include "ScratchFileSystem.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace testsupport {

namespace {
bool runningAsRoot()
{
    return ::geteuid() == 0;
}
} // namespace

ScratchFileSystem::ScratchFileSystem(qint64 bytes)
{
    if (!runningAsRoot()) {
        m_skipReason = QStringLiteral("mounting a small file system needs root (CI runs tests as "
                                      "root)");
        return;
    }
    const QByteArray options = QByteArrayLiteral("size=") + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData()) != 0) {
        m_skipReason = QStringLiteral("could not mount a tmpfs: %1")
                           .arg(QString::fromLocal8Bit(strerror(errno)));
        return;
    }
    m_mounted = true;
}

ScratchFileSystem::~ScratchFileSystem()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool ScratchFileSystem::makeReadOnly()
{
    return m_mounted && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs",
                                MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
}

ReadOnlyFolder::ReadOnlyFolder() : m_mount(1024 * 1024), m_asRoot(runningAsRoot()) {}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (!m_asRoot)
        QFile::setPermissions(m_plain.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
}

QString ReadOnlyFolder::path() const
{
    return m_asRoot ? m_mount.path() : m_plain.path();
}

QString ReadOnlyFolder::filePath(const QString& name) const
{
    return m_asRoot ? m_mount.filePath(name) : m_plain.filePath(name);
}

bool ReadOnlyFolder::lock()
{
    if (m_asRoot) {
        if (!m_mount.isMounted()) {
            m_skipReason = m_mount.skipReason();
            return false;
        }
        if (!m_mount.makeReadOnly()) {
            m_skipReason = QStringLiteral("could not remount the test file system read-only");
            return false;
        }
        return true;
    }
    if (!QFile::setPermissions(m_plain.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner)) {
        m_skipReason = QStringLiteral("could not make the folder read-only");
        return false;
    }
    return true;
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
