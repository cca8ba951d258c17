#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A folder whose files can be read but not changed: a tmpfs remounted
// read-only for root (which ignores permission bits), mode 0555 for anyone else.
class ReadOnlyFolder
{
public:
    ReadOnlyFolder();
    ~ReadOnlyFolder();

    // Fill the folder first, then lock it. False, with skipReason(), when
    // the folder could not be made read-only.
    bool lock();
    QString skipReason() const { return m_skipReason; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_skipReason;
};

// While it lives, files this process (and the processes it starts) write
// cannot grow past `bytes`, as with a quota: a write beyond fails with EFBIG
// instead of the signal that would end the test. Needs no privileges.
class FileSizeCap
{
public:
    explicit FileSizeCap(qint64 bytes);
    ~FileSizeCap();
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;

private:
    qint64 m_previous = -1;
};

} // namespace testsupport
