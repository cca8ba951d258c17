#include "cli/InputFiles.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QStringList names(const QList<InputFile>& files)
{
    QStringList result;
    for (const InputFile& file : files)
        result.append(QFileInfo(file.path).fileName());
    return result;
}
} // namespace

TEST(InputFiles, FoldersGivePagesInNaturalOrderAndNamedFilesKeepTheirPlace)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("scans/sub"));
    for (const char* name : {"page-10.png", "page-9.PNG", "page-1.jpg", "Page-2.tiff", "notes.txt",
                             "batch.pdf", "sub/page-0.png"})
        testsupport::writeBytes(dir.filePath(QStringLiteral("scans/") + QString::fromLatin1(name)),
                                "x");
    testsupport::writeBytes(dir.filePath("z-first.pnm"), "x");

    const ExpandedInputs expanded =
        expandInputs({dir.filePath("z-first.pnm"), dir.filePath("scans")});
    EXPECT_TRUE(expanded.problems.isEmpty());
    EXPECT_EQ(names(expanded.files), (QStringList{"z-first.pnm", "batch.pdf", "page-1.jpg",
                                                  "Page-2.tiff", "page-9.PNG", "page-10.png"}));
    EXPECT_EQ(expanded.files[1].kind, InputFile::Kind::pdf);
    EXPECT_TRUE(QFileInfo(expanded.files[0].path).isAbsolute());
}

TEST(InputFiles, InputsWithoutPagesAreNamedWithAReason)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("empty");
    testsupport::writeBytes(dir.filePath("notes.txt"), "plain words");
    testsupport::writePageImage(dir.filePath("scan.dat"), QSize(8, 8), 0, "PNG");
    const QString missing = dir.filePath("gone.png");

    const ExpandedInputs expanded = expandInputs(
        {missing, dir.filePath("empty"), dir.filePath("notes.txt"), dir.filePath("scan.dat")});
    ASSERT_EQ(expanded.problems.size(), 3);
    EXPECT_EQ(expanded.problems[0], (InputProblem{missing, "no such file or folder"}));
    EXPECT_TRUE(expanded.problems[1].reason.contains("no image or PDF"));
    EXPECT_TRUE(expanded.problems[2].reason.contains("not an image"));
    // An image with an unusual name is still a page.
    EXPECT_EQ(names(expanded.files), QStringList{"scan.dat"});
}
