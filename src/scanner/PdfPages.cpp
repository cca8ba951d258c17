#include "PdfPages.h"

#include "files/AtomicFile.h"
#include "files/FileError.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <algorithm>
#include <memory>
#include <poppler-qt6.h>

QStringList renderPdfPages(const QString& pdfPath, const QString& folder, double dpi)
{
    // Poppler's parser chatter would bury the one reason the operator needs.
    Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdfPath);
    if (!document)
        throw PdfPagesError(QStringLiteral("not a readable PDF document"));
    if (document->isLocked())
        throw PdfPagesError(QStringLiteral("the PDF is locked with a password"));
    if (document->numPages() < 1)
        throw PdfPagesError(QStringLiteral("the PDF has no pages"));
    if (document->numPages() > largestPdfPageCount)
        throw PdfPagesError(QStringLiteral("the PDF has %1 pages; at most %2 are read at once")
                                .arg(document->numPages())
                                .arg(largestPdfPageCount));
    if (!QDir().mkpath(folder))
        throw PdfPagesError(QStringLiteral("could not create the folder %1 for its pages")
                                .arg(QDir::toNativeSeparators(folder)));
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    const int digits = qMax(3, int(QString::number(document->numPages()).size()));
    QStringList paths;
    for (int index = 0; index < document->numPages(); ++index) {
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
        const QString path = QDir(folder).absoluteFilePath(
            QStringLiteral("page-%1.png").arg(index + 1, digits, 10, QLatin1Char('0')));
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            throw PdfPagesError(
                QStringLiteral("page %1 could not be encoded as PNG").arg(index + 1));
        try {
            writeFileAtomically(path, png);
        } catch (const FileError& error) {
            throw PdfPagesError(QStringLiteral("could not keep its page %1: %2")
                                    .arg(index + 1)
                                    .arg(error.description()));
        }
        paths.append(path);
    }
    return paths;
}
