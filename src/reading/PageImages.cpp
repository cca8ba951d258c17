#include "PageImages.h"

#include <opencv2/core.hpp>

#include <QPainter>

#include <QFileInfo>
#include <QImageReader>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

std::optional<QImage> rotatedImage(const QImage& image, int quarterTurns)
{
    const int turns = ((quarterTurns % 4) + 4) % 4;
    if (turns == 0)
        return image;
    if (image.isNull())
        return std::nullopt;
    QImage turned;
    if (turns == 2) {
        turned = image.mirrored(true, true);
    } else {
        // Qt turns clockwise for positive angles in y-down coordinates.
        turned = image.transformed(QTransform().rotate(turns == 1 ? -90 : 90));
    }
    if (turned.isNull())
        return std::nullopt;
    return turned;
}

QImage onWhitePaper(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image;
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return {};
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat;
}

std::optional<QImage> highContrastImage(const QImage& image)
{
    if (image.isNull())
        return std::nullopt;
    QImage grey = onWhitePaper(image).convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull())
        return std::nullopt;
    cv::Mat table(1, 256, CV_8U);
    for (int level = 0; level < 256; ++level) {
        const double value = (level / 255.0 + 0.08 - 0.5) * 1.75 + 0.5;
        table.at<uchar>(level) = uchar(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
    }
    cv::Mat pixels(grey.height(), grey.width(), CV_8U, grey.bits(), size_t(grey.bytesPerLine()));
    cv::LUT(pixels, table, pixels);
    return grey;
}

namespace {
// The most common grey of the page: its paper.
int paperGrey(const cv::Mat& grey)
{
    std::array<int, 256> counts{};
    for (int y = 0; y < grey.rows; y += 4) {
        const uchar* row = grey.ptr<uchar>(y);
        for (int x = 0; x < grey.cols; x += 4)
            ++counts[row[x]];
    }
    return int(std::max_element(counts.begin(), counts.end()) - counts.begin());
}
} // namespace

QImage recognitionGrey(const QImage& image)
{
    if (image.isNull())
        return {};
    if (image.isGrayscale() && !image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_Grayscale8);
    const QImage colour = onWhitePaper(image).convertToFormat(QImage::Format_RGB32);
    QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    if (colour.isNull() || grey.isNull())
        return grey;
    const cv::Mat bgra(colour.height(), colour.width(), CV_8UC4,
                       const_cast<uchar*>(colour.constBits()), size_t(colour.bytesPerLine()));
    cv::Mat greyMat(grey.height(), grey.width(), CV_8U, grey.bits(), size_t(grey.bytesPerLine()));
    cv::Mat channels[4];
    cv::split(bgra, channels);
    const cv::Mat brightest = cv::max(channels[0], cv::max(channels[1], channels[2]));
    const cv::Mat darkest = cv::min(channels[0], cv::min(channels[1], channels[2]));
    // Black, grey and white print stay within a few levels across the
    // channels; a ball-point's blue differs by a hundred.
    const cv::Mat coloured = (brightest - darkest) > 50;
    const cv::Mat dark = greyMat < 128;
    const int darkPixels = cv::countNonZero(dark);
    const int colouredDark = cv::countNonZero(dark & coloured);
    // A form printed in colour keeps its print.
    if (colouredDark == 0 || 2 * colouredDark >= darkPixels)
        return grey;
    // The paper's own grey, not merely lighter: a stroke left grey still
    // joins letters to a ring in the recogniser's eyes, and one turned white
    // on grey paper shifts how the recogniser sets its ink threshold.
    greyMat.setTo(paperGrey(greyMat), coloured);
    return grey;
}

ScaledImage downscaledForJudging(const QImage& image, int maxSide)
{
    const int longer = std::max(image.width(), image.height());
    if (image.isNull() || longer <= maxSide || maxSide <= 0)
        return {image, 1.0};
    const double factor = double(maxSide) / longer;
    const QImage small = image.scaled(std::max(1, int(std::lround(image.width() * factor))),
                                      std::max(1, int(std::lround(image.height() * factor))),
                                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (small.isNull())
        return {image, 1.0};
    return {small, double(image.width()) / small.width()};
}

DecodedPage decodePageImage(const QUrl& fileURL)
{
    if (!fileURL.isLocalFile())
        return {{}, QStringLiteral("not a local file")};
    const QString path = fileURL.toLocalFile();
    const QFileInfo info(path);
    if (!info.exists())
        return {{}, QStringLiteral("file not found")};
    if (!info.isFile())
        return {{}, QStringLiteral("not a file")};
    if (!info.isReadable())
        return {{}, QStringLiteral("file not readable")};
    QImageReader reader(path);
    reader.setAutoTransform(false);
    // A damaged header can claim a raster of gigabytes; such a page is
    // refused before any decoder allocates it.
    const QSize size = reader.size();
    if (size.isValid() && (std::max(size.width(), size.height()) > kLargestPageSide ||
                           double(size.width()) * size.height() > kLargestPagePixels))
        return {{},
                QStringLiteral("image too large (%1 x %2 pixels)")
                    .arg(size.width())
                    .arg(size.height())};
    QImage image = reader.read();
    if (image.isNull()) {
        if (reader.error() == QImageReader::UnsupportedFormatError)
            return {{}, QStringLiteral("not an image")};
        return {{}, QStringLiteral("not an image (%1)").arg(reader.errorString())};
    }
    return {image, {}};
}

QColor paperColour(const QImage& image)
{
    if (image.isNull())
        return Qt::white;
    // The page's rim is mostly paper; the middle of each channel there.
    std::array<std::vector<int>, 3> channels;
    const int w = image.width(), h = image.height();
    const int band = std::max(1, std::min(w, h) / 50);
    const auto sample = [&](int x, int y) {
        const QRgb rgb = image.pixel(x, y);
        channels[0].push_back(qRed(rgb));
        channels[1].push_back(qGreen(rgb));
        channels[2].push_back(qBlue(rgb));
    };
    for (int x = 0; x < w; x += 7)
        for (int y : {band, h - 1 - band})
            sample(x, std::clamp(y, 0, h - 1));
    for (int y = 0; y < h; y += 7)
        for (int x : {band, w - 1 - band})
            sample(std::clamp(x, 0, w - 1), y);
    std::array<int, 3> middle{};
    for (int c = 0; c < 3; ++c) {
        auto& values = channels[c];
        std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
        middle[c] = values[values.size() / 2];
    }
    return QColor(middle[0], middle[1], middle[2]);
}

QImage straightenedImage(const QImage& image, double degrees)
{
    if (std::abs(degrees) < kLevelEnough || image.isNull())
        return image;
    QImage level(image.size(), image.format() == QImage::Format_Grayscale8
                                   ? QImage::Format_Grayscale8
                                   : QImage::Format_RGB32);
    if (level.isNull())
        return image;
    // Corners filled white would stand out from grey paper as a pale edge
    // that reads like a pencil stroke.
    level.fill(paperColour(image));
    QPainter painter(&level);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(image.width() / 2.0, image.height() / 2.0);
    painter.rotate(degrees);
    painter.translate(-image.width() / 2.0, -image.height() / 2.0);
    painter.drawImage(0, 0, image);
    painter.end();
    return level;
}

double printSkewDegrees(const QImage& image)
{
    if (image.isNull())
        return 0;
    // Nearest pixels are enough for where the ink lies, and cheap.
    const int longer = std::max(image.width(), image.height());
    const QImage scaled =
        longer <= 850 ? image
                      : image.scaled(image.width() * 850 / longer, image.height() * 850 / longer,
                                     Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QImage small = scaled.convertToFormat(QImage::Format_Grayscale8);
    std::vector<QPoint> dark;
    for (int y = 0; y < small.height(); ++y) {
        const uchar* row = small.constScanLine(y);
        for (int x = 0; x < small.width(); ++x)
            if (row[x] < 128)
                dark.push_back(QPoint(x, y));
    }
    if (dark.size() < 100)
        return 0;
    const int bins = small.height() + 2 * small.width();
    std::vector<int> rows(std::size_t(bins), 0);
    const auto sharpness = [&](double angle) {
        const double slope = std::tan(angle * M_PI / 180.0);
        std::fill(rows.begin(), rows.end(), 0);
        for (const QPoint& p : dark) {
            const int row = int(std::lround(p.y() - p.x() * slope)) + small.width();
            if (row >= 0 && row < bins)
                ++rows[std::size_t(row)];
        }
        double sum = 0;
        for (int count : rows)
            sum += double(count) * double(count);
        return sum;
    };
    // Quarter degrees across the range, then twentieths round the best;
    // ties keep the angle nearest level.
    const auto best = [&](double from, double to, double step, double start) {
        double bestAngle = start, bestSharpness = -1;
        for (double angle = from; angle <= to + 1e-9; angle += step) {
            const double value = sharpness(angle);
            if (value > bestSharpness ||
                (value == bestSharpness && std::abs(angle) < std::abs(bestAngle))) {
                bestSharpness = value;
                bestAngle = angle;
            }
        }
        return bestAngle;
    };
    const double coarse = best(-3.0, 3.0, 0.25, 0);
    const double bestAngle = best(coarse - 0.25, coarse + 0.25, 0.05, coarse);
    return bestAngle;
}
