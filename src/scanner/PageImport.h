#pragma once

#include <QStringList>
#include <atomic>

// The image and PDF files of `inputs` (files, or folders whose image and PDF
// files are taken), in natural file-name order; folder contents follow the
// same order. Throws ScannerServiceError (platform) for an input that does
// not exist.
QStringList expandImportInputs(const QStringList& inputs);

// Copies images and renders PDF pages (300 dpi) into `folder` as
// "<stem>-1.<ext>", "<stem>-2.<ext>", ... in the given order and returns the
// new paths. Throws ScannerServiceError (platform) naming a file that is not
// a readable image or PDF; scanCanceled when `canceled` turns true.
QStringList importPages(const QStringList& files, const QString& folder, const QString& stem,
                        const std::atomic<bool>& canceled);

// Copies `source` to `target` through a temporary file, so a half-written
// copy never appears under the target name. Throws ScannerServiceError
// (platform).
void copyFileAtomically(const QString& source, const QString& target);
