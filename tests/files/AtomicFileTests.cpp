#include "TestSupport.h"
#include "files/AtomicFile.h"
#include "files/FileError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::readBytes;
using testsupport::writeBytes;

// A failed replacement is tested where projects are written; these are the
// paths that must not be replaced at all.
TEST(AtomicFile, AFifoIsWrittenIntoNotReplaced)
{
    QTemporaryDir dir;
    const QByteArray fifo = QFile::encodeName(dir.filePath("to-reader"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    // A reader that is already there lets the writer open without waiting.
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    EXPECT_NO_THROW(writeFileAtomically(QFile::decodeName(fifo), "survey_id\n1\n"));

    char buffer[64] = {};
    const ssize_t got = ::read(reader, buffer, sizeof buffer);
    ::close(reader);
    EXPECT_EQ(QByteArray(buffer, int(std::max<ssize_t>(got, 0))), QByteArray("survey_id\n1\n"));
    struct stat status
    {
    };
    ASSERT_EQ(::stat(fifo.constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

TEST(AtomicFile, ALinkIsFollowedAndItsTargetReplaced)
{
    QTemporaryDir dir;
    // An existing target, and a dangling link whose target's folder is missing.
    const QString target = dir.filePath("kept/answers.csv");
    const QString dangling = dir.filePath("elsewhere/new folder/answers.csv");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("kept")));
    writeBytes(target, "old");
    ASSERT_TRUE(QFile::link(target, dir.filePath("link.csv")));
    ASSERT_TRUE(QFile::link(dangling, dir.filePath("dangling.csv")));

    EXPECT_NO_THROW(writeFileAtomically(dir.filePath("link.csv"), "new"));
    EXPECT_NO_THROW(writeFileAtomically(dir.filePath("dangling.csv"), "made"));

    EXPECT_TRUE(QFileInfo(dir.filePath("link.csv")).isSymLink());
    EXPECT_EQ(readBytes(target), QByteArray("new"));
    EXPECT_TRUE(QFileInfo(dir.filePath("dangling.csv")).isSymLink());
    EXPECT_EQ(readBytes(dangling), QByteArray("made"));
}
