// Page files as the reader and the command line meet them: any bytes as an
// image file, and as a PDF whose pages are rendered and then decoded.
#include "cli/PdfPages.h"
#include "reading/PageImages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdint>

namespace {
void decode(const QString& path)
{
    const DecodedPage page = decodePageImage(QUrl::fromLocalFile(path));
    if (!page.image.isNull())
        highContrastImage(downscaledForJudging(page.image, 850).image);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("input"));
    {
        QFile file(input);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    decode(input);
    const QString pages = folder.filePath(QStringLiteral("pages"));
    QDir(pages).removeRecursively();
    try {
        // A low resolution keeps each run short; the caps scale with it.
        for (const QString& page : renderPdfPages(input, pages, 18))
            decode(page);
    } catch (const PdfPagesError&) {
    }
    return 0;
}
