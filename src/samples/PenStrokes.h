#pragma once

#include <QColor>
#include <QLineF>
#include <QList>
#include <QRandomGenerator>
#include <QRectF>

class QPainter;
class QPainterPath;

// The ink a hand writes with. The default is the classic steady blue-black
// ball-point.
struct InkStyle
{
    QColor colour = QColor(28, 38, 105);
    double widthScale = 1;
    double tremor = 0;    // 0 steady ... 1 shaky
    double overshoot = 0; // 0 neat ... 1 strokes well past the box
    bool pencil = false;  // light grey, grainy strokes

    bool isClassic() const { return tremor == 0 && overshoot == 0 && !pencil; }
};

// How tight a ring is drawn round what it marks.
enum class RingFit
{
    loose,
    tight, // touches the letters
};

// Pen marks drawn by hand: every stroke wobbles a little and no two marks
// are alike, so the reader never sees the same shape twice.
class PenStrokes
{
public:
    PenStrokes(QPainter& painter, double dpi, QRandomGenerator& random, InkStyle ink = {});

    void tick(const QRectF& box);
    void cross(const QRectF& box);
    void fill(const QRectF& box);
    // Loose zig-zags over a box that leave paper showing.
    void scribble(const QRectF& box);
    // A loop drawn round a printed label (the classic loose ring).
    void ring(const QRectF& label);
    // A loop round `target` (a label, or a box and its label), of any fit.
    void ringAround(const QRectF& target, RingFit fit);
    // A tick or cross in the white just left of a bare label.
    void tickBefore(const QRectF& label);
    void crossBefore(const QRectF& label);
    // Joined-up scribble standing for `wordCount` words inside `area`.
    void handwriting(const QRectF& area, int wordCount);
    // Cursive-like words written on the given baselines between left and right.
    void handwritingOnLines(const QList<QLineF>& baselines, int wordCount);
    // A doodle: a few loose pencil curves inside `area`.
    void squiggle(const QRectF& area);

private:
    double jitter(double amount);
    void addLetter(QPainterPath& path, double left, double baseline, double width, double xHeight,
                   double slant);
    void stroke(const QList<QPointF>& points, double width);
    // Draws a finished path with this ink: tremor and pencil grain applied.
    void ink(const QPainterPath& path, double width, bool roundJoin = true);
    QRectF boxBefore(const QRectF& label);
    // One word of joined letters from (x, baseline); returns its width.
    double writeWord(double x, double baseline, double xHeight, double slant, int letters,
                     double letterWidth);

    QPainter& m_painter;
    double m_dpi;
    QRandomGenerator& m_random;
    InkStyle m_ink;
};
