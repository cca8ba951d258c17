#pragma once

#include "model/SurveyEnums.h"
#include "samples/SampleAnswerSheet.h"

#include <QImage>

// How a rendered page is printed, filled in and scanned.
struct SampleRenderOptions
{
    double dpi = 300;
    // Scanner skew in degrees (small, either sign).
    double skewDegrees = 0;
    // Scanner noise, 0 (clean) ... 1 (a dirty glass and a grey background).
    double noise = 0;
    // The page fed the wrong way round: 1 = a quarter turn counter-clockwise,
    // 2 = upside down, 3 = a quarter turn clockwise.
    int quarterTurns = 0;
    // JPEG round trip at this quality (1...100); 0 keeps the page lossless.
    int jpegQuality = 0;
    // Drives the pen wobble and the noise; equal seeds give equal pages.
    quint32 seed = 1;

    bool operator==(const SampleRenderOptions&) const = default;
};

// One side of the built-in survey, printed, filled in with the sheet's
// answers and scanned: an 8-bit grey image of a US letter page.
QImage renderSurveyPage(const SampleAnswerSheet& sheet, SurveySide side,
                        const SampleRenderOptions& options);

// The blank printed form, as a template scan would see it.
QImage renderBlankSurveyPage(SurveySide side, double dpi);
