// Page files as the reader and the command line meet them: any bytes as an
// image file, and as a PDF whose pages are rendered and then decoded.
#include "reading/PageImages.h"
#include "scanner/PdfPages.h"

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
    const QString page = folder.filePath(QStringLiteral("page.png"));
    try {
        // A low resolution keeps each run short; the caps scale with it.
        renderPdfPages(input, 18, [&](int, int, const QImage& image) {
            if (image.save(page))
                decode(page);
        });
    } catch (const PdfPagesError&) {
    }
    return 0;
}
