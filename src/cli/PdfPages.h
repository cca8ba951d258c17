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

// Renders every page of the PDF at `dpi` into PNG files "page-001.png", ...
// inside `folder` (made when missing) and returns their paths in page order.
// Throws PdfPagesError when the document cannot be opened or a page cannot
// be rendered or written.
QStringList renderPdfPages(const QString& pdfPath, const QString& folder, double dpi = 300);
