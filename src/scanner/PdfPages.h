#pragma once

#include <QString>
#include <QStringList>
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

// Renders every page of the PDF at `dpi` into PNG files "page-001.png", ...
// inside `folder` (made when missing) and returns their paths in page order.
// Throws PdfPagesError when the document cannot be opened, is too large, or
// a page cannot be rendered or written.
QStringList renderPdfPages(const QString& pdfPath, const QString& folder, double dpi = 300);
