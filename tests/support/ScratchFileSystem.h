#pragma once

#include <QtGlobal>

namespace testsupport {

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
