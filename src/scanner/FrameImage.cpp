#include "FrameImage.h"

#include <algorithm>
#include <cstring>

namespace {

int channelsOf(FrameFormat::Kind kind)
{
    return kind == FrameFormat::Kind::rgb ? 3 : 1;
}

qsizetype neededBytesPerLine(const FrameFormat& format)
{
    const qsizetype samples = qsizetype(format.pixelsPerLine) * channelsOf(format.kind);
    return format.depth == 1 ? (samples + 7) / 8 : samples * (format.depth / 8);
}

// One sample as 8 bits. 16-bit samples come in host byte order.
uchar sample(const uchar* line, qsizetype index, int depth)
{
    switch (depth) {
    case 1:
        // Line-art convention of SANE: a set bit is black.
        return (line[index / 8] >> (7 - index % 8)) & 1 ? 0 : 255;
    case 16: {
        quint16 value;
        std::memcpy(&value, line + index * 2, 2);
        return uchar(value >> 8);
    }
    default:
        return line[index];
    }
}

} // namespace

bool PageAssembler::addFrame(const FrameFormat& format, const QByteArray& data, QString* error)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (format.depth != 1 && format.depth != 8 && format.depth != 16)
        return fail(QStringLiteral("The scanner sent %1-bit samples, which cannot be saved.")
                        .arg(format.depth));
    if (format.kind == FrameFormat::Kind::rgb && format.depth == 1)
        return fail(QStringLiteral("The scanner sent 1-bit colour, which cannot be saved."));
    if (format.pixelsPerLine <= 0 || format.bytesPerLine < neededBytesPerLine(format))
        return fail(QStringLiteral("The scanner reported an image line of %1 bytes for %2 pixels.")
                        .arg(format.bytesPerLine)
                        .arg(format.pixelsPerLine));

    // Devices that do not know the height in advance, or stop early, leave
    // the lines that arrived; a partial last line is dropped.
    qsizetype rows = data.size() / format.bytesPerLine;
    if (format.lines >= 0)
        rows = std::min<qsizetype>(rows, format.lines);
    if (rows <= 0)
        return fail(QStringLiteral("The scanner sent an empty image."));

    const int width = format.pixelsPerLine;
    const int height = int(rows);
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());

    if (format.kind == FrameFormat::Kind::gray) {
        m_image = QImage(width, height, QImage::Format_Grayscale8);
        for (int y = 0; y < height; ++y) {
            const uchar* line = bytes + qsizetype(y) * format.bytesPerLine;
            uchar* out = m_image.scanLine(y);
            for (int x = 0; x < width; ++x)
                out[x] = sample(line, x, format.depth);
        }
        return true;
    }

    if (format.kind == FrameFormat::Kind::rgb) {
        m_image = QImage(width, height, QImage::Format_RGB888);
        for (int y = 0; y < height; ++y) {
            const uchar* line = bytes + qsizetype(y) * format.bytesPerLine;
            uchar* out = m_image.scanLine(y);
            for (qsizetype i = 0; i < qsizetype(width) * 3; ++i)
                out[i] = sample(line, i, format.depth);
        }
        return true;
    }

    // Three-pass scanners: one frame per colour channel of the same page.
    const int channel = format.kind == FrameFormat::Kind::red     ? 0
                        : format.kind == FrameFormat::Kind::green ? 1
                                                                  : 2;
    if (m_image.format() != QImage::Format_RGB888 || m_image.width() != width) {
        m_image = QImage(width, height, QImage::Format_RGB888);
        m_image.fill(Qt::black);
    }
    const int shared = std::min(height, m_image.height());
    for (int y = 0; y < shared; ++y) {
        const uchar* line = bytes + qsizetype(y) * format.bytesPerLine;
        uchar* out = m_image.scanLine(y);
        for (int x = 0; x < width; ++x)
            out[x * 3 + channel] = sample(line, x, format.depth);
    }
    return true;
}
