#include "scanner/BatchFolder.h"
#include "scanner/ScannerService.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(BatchFolder, NameComesFromTheTitleTakenNamesGetASuffixAndParentsAreMade)
{
    EXPECT_EQ(batchFolderStem(" \t\n").toStdString(), "Survey");
    EXPECT_EQ(batchFolderStem("../../etc").toStdString(), "..-..-etc");
    QTemporaryDir temp;
    const QString root = temp.filePath("data/scans");
    const QString first = createBatchFolder(root, " A/B ", 1700000000);
    EXPECT_EQ(first.toStdString(), QDir(root).absoluteFilePath("A-B-1700000000").toStdString());
    EXPECT_TRUE(QDir(first).exists());
    const QString second = createBatchFolder(root, "A/B", 1700000000);
    EXPECT_EQ(QDir(second).dirName().toStdString(), "A-B-1700000000-2");
    EXPECT_EQ(QDir(createBatchFolder(root, "A/B", 1700000000)).dirName().toStdString(),
              "A-B-1700000000-3");
    EXPECT_EQ(QDir(createBatchFolder(root, "", 5)).dirName().toStdString(), "Survey-5");
}

TEST(BatchFolder, UnwritableRootIsAnErrorAndTheDefaultRootIsNotTemporary)
{
    QTemporaryDir temp;
    QFile blocker(temp.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_THROW(createBatchFolder(temp.filePath("file/scans"), "A", 1), ScannerServiceError);
    EXPECT_TRUE(defaultScanRoot().endsWith("/scans"));
    EXPECT_FALSE(defaultScanRoot().startsWith(QDir::tempPath()));
}

} // namespace
