#pragma once

#include <QByteArray>
#include <QImage>

// The layout of one SANE frame, as sane_get_parameters reports it.
struct FrameFormat
{
    enum class Kind
    {
        gray,
        rgb,
        red,
        green,
        blue
    };
    Kind kind = Kind::gray;
    bool lastFrame = true;
    int bytesPerLine = 0;
    int pixelsPerLine = 0;
    int lines = 0; // -1 when the device does not know the height in advance
    int depth = 8;
};

// Collects the frames of one page (one frame, or three for scanners that
// send red, green and blue separately) and turns them into an image.
class PageAssembler
{
public:
    // Returns false when the frame layout is not one this assembler reads;
    // `error` then says why.
    bool addFrame(const FrameFormat& format, const QByteArray& data, QString* error);

    // Grayscale8 for gray frames (1-bit: a set bit is black), RGB888 for
    // colour. Null when no frame was added.
    QImage image() const { return m_image; }

private:
    QImage m_image;
};
