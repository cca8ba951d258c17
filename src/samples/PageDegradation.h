#pragma once

#include <QImage>

// What a scanner does to a page: these turn a clean render into a plausible
// scan. All keep the image's format.

// Turns the page by a small angle about its centre, white where the paper ends.
QImage skewed(const QImage& page, double degrees);

// Grey paper, sensor grain and dust specks; `amount` 0...1.
QImage withScannerNoise(const QImage& page, double amount, quint32 seed);

// Sensor grain, grey paper and dust specks on a grey or colour page (the
// grain is alike in every channel, so tinted paper keeps its tint); quicker
// than withScannerNoise and drawn differently.
QImage withSensorNoise(const QImage& page, double amount, quint32 seed);

// The page fed turned: 1 = a quarter turn counter-clockwise, 2 = upside
// down, 3 = a quarter turn clockwise.
QImage turned(const QImage& page, int quarterTurns);

// Encodes and decodes as JPEG at `quality`, keeping its artefacts.
QImage jpegRoundTrip(const QImage& page, int quality);

// Softens the page like scanner optics; `sigma` in pixels (0 keeps it).
QImage blurred(const QImage& page, double sigma);

// A lamp that lights the page unevenly: up to `amount` darker towards one
// side, with a soft brighter band. Direction and band from `seed`.
QImage unevenlyLit(const QImage& page, double amount, quint32 seed);
