#include "PdfPages.h"

#include <algorithm>
#include <memory>
#include <poppler-qt6.h>

void renderPdfPages(const QString& pdfPath, double dpi,
                    const std::function<void(int number, int count, const QImage& page)>& keep)
{
    // Poppler's parser chatter would bury the one reason the operator needs.
    Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdfPath);
    if (!document)
        throw PdfPagesError(QStringLiteral("not a readable PDF document"));
    if (document->isLocked())
        throw PdfPagesError(QStringLiteral("the PDF is locked with a password"));
    const int count = document->numPages();
    if (count < 1)
        throw PdfPagesError(QStringLiteral("the PDF has no pages"));
    if (count > largestPdfPageCount)
        throw PdfPagesError(QStringLiteral("the PDF has %1 pages; at most %2 are read at once")
                                .arg(count)
                                .arg(largestPdfPageCount));
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    for (int index = 0; index < count; ++index) {
        const std::unique_ptr<Poppler::Page> page = document->page(index);
        if (!page)
            throw PdfPagesError(QStringLiteral("page %1 could not be rendered").arg(index + 1));
        // A page the size of a wall (or a damaged size entry) would need
        // gigabytes of raster; it is refused before poppler allocates it.
        const QSizeF points = page->pageSizeF();
        const double width = points.width() / 72.0 * dpi;
        const double height = points.height() / 72.0 * dpi;
        if (!(width * height <= largestPdfPagePixels) || !(std::max(width, height) <= 30000))
            throw PdfPagesError(QStringLiteral("page %1 is too large to render (%2 x %3 points)")
                                    .arg(index + 1)
                                    .arg(points.width())
                                    .arg(points.height()));
        const QImage image = page->renderToImage(dpi, dpi);
        if (image.isNull())
            throw PdfPagesError(QStringLiteral("page %1 could not be rendered").arg(index + 1));
        keep(index + 1, count, image);
    }
}
