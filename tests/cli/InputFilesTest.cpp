#include "cli/InputFiles.h"
#include "TestSupport.h"
#include "cli/PdfPages.h"

#include <QDir>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
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

TEST(PdfPages, EveryPageBecomesAnImageAtThreeHundredDpiAndNoPdfIsRefused)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath("two pages.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.fillRect(QRect(0, 0, 100, 100), Qt::black);
        writer.newPage();
        painter.fillRect(QRect(300, 400, 100, 100), Qt::black);
    }
    // Page order through the program is checked where it reads a PDF.
    const QStringList pages = renderPdfPages(pdf, dir.filePath("out/pages"), 300);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].endsWith("/page-001.png"));
    EXPECT_EQ(QImage(pages[0]).size(), QSize(2550, 3300));
    EXPECT_LT(qGray(QImage(pages[1]).pixel(1450, 1875)), 60);

    const QString fake = dir.filePath("fake.pdf");
    testsupport::writeBytes(fake, "this is not a PDF");
    QString reason = "no error";
    try {
        renderPdfPages(fake, dir.filePath("out"));
    } catch (const PdfPagesError& error) {
        reason = error.reason();
    }
    EXPECT_TRUE(reason.contains("PDF")) << reason.toStdString();
}
