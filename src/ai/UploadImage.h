#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QUrl>

// Image preparation for upload: shrunk, flattened onto white and re-encoded
// as JPEG. The file on disk is never changed.

inline constexpr int kCropLongestSide = 960;
inline constexpr double kCropJPEGQuality = 0.72;
inline constexpr int kPageLongestSide = 1600;
inline constexpr double kPageJPEGQuality = 0.78;

// The size sent for an image of the given size: longest side at most
// longestSide, never enlarged, never below one pixel.
QSize uploadImageSize(QSize imageSize, int longestSide);

// JPEG bytes of the image file at fileURL; throws invalidImage when the file
// cannot be read or encoded.
QByteArray preparedUploadJPEG(const QUrl& fileURL, int longestSide, double quality);

// "data:image/jpeg;base64," and the Base64 of the bytes, without line breaks.
QString jpegDataURL(const QByteArray& jpeg);
