#include "cli/PdfPages.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

TEST(PdfPages, EveryPageBecomesAnImageAtThreeHundredDpiAndNoPdfIsRefused)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("two pages.pdf"));
    {
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.fillRect(QRect(0, 0, 100, 100), Qt::black);
        writer.newPage();
        painter.fillRect(QRect(300, 400, 100, 100), Qt::black);
    }
    const QStringList pages = renderPdfPages(pdf, dir.filePath(QStringLiteral("out/pages")), 300);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].endsWith(QStringLiteral("/page-001.png")));
    const QImage first(pages[0]);
    const QImage second(pages[1]);
    EXPECT_EQ(first.size(), QSize(2550, 3300));
    // The first page's square sits at the top left, the second's further in.
    EXPECT_LT(qGray(first.pixel(200, 200)), 60);
    EXPECT_GT(qGray(second.pixel(200, 200)), 200);
    EXPECT_LT(qGray(second.pixel(1450, 1875)), 60);

    const QString fake = dir.filePath(QStringLiteral("fake.pdf"));
    testsupport::writeBytes(fake, "this is not a PDF");
    QString reason = QStringLiteral("no error");
    try {
        renderPdfPages(fake, dir.filePath(QStringLiteral("out")));
    } catch (const PdfPagesError& error) {
        reason = error.reason();
    }
    EXPECT_TRUE(reason.contains(QStringLiteral("PDF"))) << reason.toStdString();
}
