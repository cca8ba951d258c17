#pragma once

#include "model/ScanPage.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QUrl>

// Review crops: the part of a page a person checks, as PNG files in the
// "VuridiVedorazReview" folder of the temporary directory.

// The folder, under QDir::tempPath().
QString reviewSnippetFolder();

// survey-<survey>-page-<page>-q-<question>.png in the folder.
QUrl reviewSnippetURL(qint64 surveyNumber, qint64 pageNumber, qint64 questionNumber);

// Turned by a quarter turn when much taller than wide (int(width * 1.35) <
// height), so a reviewer reads it upright.
QImage orientReviewSnippet(const QImage& crop);

// The rectangle (made whole pixels, outwards) cut from the page, oriented and
// encoded as PNG; empty when cutting or encoding fails.
QByteArray snippetPng(const QImage& page, const QRectF& rect);

// The whole page file, scaled to at most 1400 pixels on its longer side, as
// PNG: the crop of a question whose place on the page is unknown. Empty when
// the file cannot be decoded.
QByteArray pageOverviewPng(const QUrl& pageFile);

// Writes the bytes atomically, creating the folder first; false on failure.
bool writeSnippetFile(const QUrl& location, const QByteArray& png);

// Cuts, encodes and writes one crop; returns its location even when writing
// failed (the review screens cope with a missing file).
QUrl writeSnippet(const QImage& page, const ScanPage& scanPage, const QRectF& rect,
                  qint64 questionNumber);
