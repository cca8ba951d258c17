#include "PdfPages.h"

#include <QDir>
#include <QImage>
#include <QSaveFile>
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
    if (!QDir().mkpath(folder))
        throw PdfPagesError(QStringLiteral("could not create the folder %1 for its pages")
                                .arg(QDir::toNativeSeparators(folder)));
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    const int digits = qMax(3, int(QString::number(document->numPages()).size()));
    QStringList paths;
    for (int index = 0; index < document->numPages(); ++index) {
        const std::unique_ptr<Poppler::Page> page = document->page(index);
        const QImage image = page ? page->renderToImage(dpi, dpi) : QImage();
        if (image.isNull())
            throw PdfPagesError(QStringLiteral("page %1 could not be rendered").arg(index + 1));
        const QString path = QDir(folder).absoluteFilePath(
            QStringLiteral("page-%1.png").arg(index + 1, digits, 10, QLatin1Char('0')));
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
            throw PdfPagesError(QStringLiteral("could not write its page %1 to %2: %3")
                                    .arg(index + 1)
                                    .arg(QDir::toNativeSeparators(path), file.errorString()));
        paths.append(path);
    }
    return paths;
}
