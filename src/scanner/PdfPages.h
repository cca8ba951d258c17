#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <stdexcept>

// A PDF that gave no pages, with the reason for the operator.
class PdfPagesError : public std::runtime_error
{
public:
    explicit PdfPagesError(const QString& reason) : std::runtime_error(reason.toStdString()) {}
    QString reason() const { return QString::fromStdString(what()); }
};

// Beyond these a PDF is refused rather than rendered: a damaged or hostile
// file must not exhaust memory (a letter page at 300 dpi is 8.4 million
// pixels).
inline constexpr int largestPdfPageCount = 2000;
inline constexpr double largestPdfPagePixels = 120.0e6;

// Renders every page of the PDF at `dpi` and hands each to `keep` in page
// order, with its number from 1 and the document's page count. Throws
// PdfPagesError when the document cannot be opened or is too large, or a
// page cannot be rendered; what `keep` throws passes through.
void renderPdfPages(const QString& pdfPath, double dpi,
                    const std::function<void(int number, int count, const QImage& page)>& keep);
