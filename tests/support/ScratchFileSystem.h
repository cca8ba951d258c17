#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A small tmpfs mounted over a fresh temporary folder for the test's life,
// for folders that really cannot be written. Mounting needs root, as the
// tests have in CI; elsewhere isMounted() is false and skipReason() says why.
class ScratchFileSystem
{
public:
    explicit ScratchFileSystem(qint64 bytes);
    ~ScratchFileSystem();
    ScratchFileSystem(const ScratchFileSystem&) = delete;
    ScratchFileSystem& operator=(const ScratchFileSystem&) = delete;

    bool isMounted() const { return m_mounted; }
    QString skipReason() const { return m_skipReason; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Remounts the file system read-only; false when that failed.
    bool makeReadOnly();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_skipReason;
};

// A folder whose files can be read but not changed: a read-only mount for
// root (which ignores permission bits), mode 0555 for anyone else.
class ReadOnlyFolder
{
public:
    ReadOnlyFolder();
    ~ReadOnlyFolder();

    // Fill the folder first, then lock it. False, with skipReason(), when
    // the folder could not be made read-only.
    bool lock();
    QString skipReason() const { return m_skipReason; }
    QString path() const;
    QString filePath(const QString& name) const;

private:
    ScratchFileSystem m_mount;
    QTemporaryDir m_plain;
    bool m_asRoot = false;
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
