#include "cli/InputFiles.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

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
    QDir().mkpath(dir.filePath(QStringLiteral("scans/sub")));
    for (const char* name : {"page-10.png", "page-9.PNG", "page-1.jpg", "Page-2.tiff", "notes.txt",
                             "batch.pdf", "sub/page-0.png"})
        testsupport::writeBytes(dir.filePath(QStringLiteral("scans/") + QString::fromLatin1(name)),
                                "x");
    testsupport::writeBytes(dir.filePath(QStringLiteral("z-first.pnm")), "x");

    const ExpandedInputs expanded = expandInputs(
        {dir.filePath(QStringLiteral("z-first.pnm")), dir.filePath(QStringLiteral("scans"))});
    EXPECT_TRUE(expanded.problems.isEmpty());
    EXPECT_EQ(names(expanded.files),
              (QStringList{QStringLiteral("z-first.pnm"), QStringLiteral("batch.pdf"),
                           QStringLiteral("page-1.jpg"), QStringLiteral("Page-2.tiff"),
                           QStringLiteral("page-9.PNG"), QStringLiteral("page-10.png")}));
    EXPECT_EQ(expanded.files[1].kind, InputFile::Kind::pdf);
    EXPECT_TRUE(QFileInfo(expanded.files[0].path).isAbsolute());
}

TEST(InputFiles, InputsWithoutPagesAreNamedWithAReason)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("empty"));
    testsupport::writeBytes(dir.filePath(QStringLiteral("notes.txt")), "plain words");
    testsupport::writePageImage(dir.filePath(QStringLiteral("scan.dat")), QSize(8, 8), 0, "PNG");
    const QString missing = dir.filePath(QStringLiteral("gone.png"));

    const ExpandedInputs expanded = expandInputs({missing, dir.filePath(QStringLiteral("empty")),
                                                  dir.filePath(QStringLiteral("notes.txt")),
                                                  dir.filePath(QStringLiteral("scan.dat"))});
    ASSERT_EQ(expanded.problems.size(), 3);
    EXPECT_EQ(expanded.problems[0],
              (InputProblem{missing, QStringLiteral("no such file or folder")}));
    EXPECT_TRUE(expanded.problems[1].reason.contains(QStringLiteral("no image or PDF")));
    EXPECT_TRUE(expanded.problems[2].reason.contains(QStringLiteral("not an image")));
    // An image with an unusual name is still a page.
    EXPECT_EQ(names(expanded.files), QStringList{QStringLiteral("scan.dat")});
}
