#pragma once

#include "model/SurveyEnums.h"
#include "samples/SampleAnswerSheet.h"
#include "samples/SampleFormLayout.h"

#include <QImage>

// The paper a form is printed on.
enum class PaperTone
{
    white,
    grey,
    yellowish
};

QString paperToneName(PaperTone tone);

// How a rendered page is printed, filled in and scanned.
struct SampleRenderOptions
{
    double dpi = 300;
    // The print run; the default is the classic form.
    FormStyle form = {};
    PaperTone paper = PaperTone::white;
    // Scanner skew in degrees (small, either sign).
    double skewDegrees = 0;
    // Scanner noise, 0 (clean) ... 1 (a dirty glass and a grey background).
    double noise = 0;
    // The page fed the wrong way round: 1 = a quarter turn counter-clockwise,
    // 2 = upside down, 3 = a quarter turn clockwise.
    int quarterTurns = 0;
    // JPEG round trip at this quality (1...100); 0 keeps the page lossless.
    int jpegQuality = 0;
    // The scanner lamp: 0 even ... 1 a strong fall-off across the page.
    double unevenLamp = 0;
    // Optical blur of the scan, in pixels (about a Gaussian's sigma).
    double blur = 0;
    // A colour scan (RGB), else 8-bit grey.
    bool colour = false;
    // Pencil doodles in the margins.
    int squiggles = 0;
    // Drives the pen wobble and the noise; equal seeds give equal pages.
    quint32 seed = 1;

    bool operator==(const SampleRenderOptions&) const = default;
};

// One side of the built-in survey, printed, filled in with the sheet's
// answers and scanned: an 8-bit grey image of a US letter page, or RGB for
// a colour scan.
QImage renderSurveyPage(const SampleAnswerSheet& sheet, SurveySide side,
                        const SampleRenderOptions& options);

// The blank printed form, as a template scan would see it.
QImage renderBlankSurveyPage(SurveySide side, double dpi, const FormStyle& form = {});
