#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QUrl>
#include <optional>

// The image turned by quarter turns (n modulo 4). One turn makes the top edge
// the left edge (counter-clockwise), two turn it upside down, three make the
// top edge the right edge. Zero gives the image itself. Nothing when the
// raster can't be made.
std::optional<QImage> rotatedImage(const QImage& image, int quarterTurns);

// A grey, high-contrast copy for text recognition: luminance, then contrast
// 1.75 around mid-grey with brightness +0.08. Nothing for an empty image.
std::optional<QImage> highContrastImage(const QImage& image);

// The image laid on white paper: transparent pixels read as paper, not black.
// The image itself when it has no alpha channel.
QImage onWhitePaper(const QImage& image);

// The page in grey as text recognition should see it. On a colour scan whose
// dark ink is mostly neutral print, coloured ink (a blue ball-point's rings
// and ticks) is washed out to paper, so a ring drawn through
// a label leaves the letters readable; luminance otherwise. Empty for an
// empty image.
QImage recognitionGrey(const QImage& image);

// A copy whose longer side is at most maxSide pixels (the image itself when it
// is already small enough), with the factor that maps its pixels back.
struct ScaledImage
{
    QImage image;
    double scaleBack = 1.0;
};
ScaledImage downscaledForJudging(const QImage& image, int maxSide);

// Pages beyond these are refused unread (an A3 page at 600 dpi is 7016 x
// 9921 pixels).
constexpr int kLargestPageSide = 30000;
constexpr double kLargestPagePixels = 120.0e6;

// A decoded page file, or the reason it could not be read.
struct DecodedPage
{
    QImage image;
    QString failureReason; // empty when the image was decoded
};
DecodedPage decodePageImage(const QUrl& fileURL);

// Below this tilt in degrees a long label's ends move by less than a pen
// line.
constexpr double kLevelEnough = 0.15;

// The tilt of the print's lines in degrees, within 3 degrees either way
// (positive when lines fall to the right), so that straightenedImage(image,
// -tilt) levels them: the angle at which the dark pixels of a small copy pile
// up into the sharpest rows. 0 for an image without print.
double printSkewDegrees(const QImage& image);

// The colour of the page's paper: the middle value of each channel round
// its rim. White for an empty image.
QColor paperColour(const QImage& image);

// The image turned about its centre by `degrees` (positive turns clockwise
// on screen), same size, with its paper's colour filling the corners; the
// image itself for a turn under kLevelEnough.
QImage straightenedImage(const QImage& image, double degrees);
