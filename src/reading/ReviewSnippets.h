#pragma once

#include "SurveyExtractionService.h"
#include "model/ScanPage.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QRectF>
#include <QUrl>

// Review crops: the part of a page a person checks, as PNG files in the
// folder the reading's crop placement names.

// The folder for the crops of this page; empty when no crops are written.
QString reviewSnippetFolder(const CropPlacement& placement, const ScanPage& page);

// survey-<survey>-page-<page>-q-<question>.png in the folder.
QUrl reviewSnippetURL(const QString& folder, qint64 surveyNumber, qint64 pageNumber,
                      qint64 questionNumber);

// Turned by a quarter turn when much taller than wide (int(width * 1.35) <
// height), so a reviewer reads it upright.
QImage orientReviewSnippet(const QImage& crop);

// The rectangle made whole pixels, outwards, and kept on the page: what a
// crop of it holds.
QRect snippetRect(const QImage& page, const QRectF& rect);

// The rectangle (made whole pixels, outwards) cut from the page, oriented and
// encoded as PNG; empty when cutting or encoding fails.
QByteArray snippetPng(const QImage& page, const QRectF& rect);

// The whole page file, scaled to at most 1400 pixels on its longer side, as
// PNG: the crop of a question whose place on the page is unknown. Empty when
// the file cannot be decoded.
QByteArray pageOverviewPng(const QUrl& pageFile);

// Writes the bytes atomically, creating the folder first. Returns what went
// wrong, naming the file; empty on success and for empty bytes (no crop).
QString writeSnippetFile(const QUrl& location, const QByteArray& png);
