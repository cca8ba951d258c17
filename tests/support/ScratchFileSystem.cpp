#include "ScratchFileSystem.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace testsupport {

ReadOnlyFolder::ReadOnlyFolder()
{
    if (::geteuid() != 0)
        return;
    const QByteArray path = QFile::encodeName(m_dir.path());
    m_mounted = ::mount("tmpfs", path.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") == 0;
    if (!m_mounted)
        m_skipReason = QString("could not mount a tmpfs: %1").arg(strerror(errno));
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    else
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
}

bool ReadOnlyFolder::lock()
{
    if (!m_skipReason.isEmpty())
        return false;
    const bool locked =
        m_mounted
            ? ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs",
                      MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0
            : QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!locked)
        m_skipReason = QStringLiteral("could not make the folder read-only");
    return locked;
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
