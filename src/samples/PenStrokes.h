#pragma once

#include <QRandomGenerator>
#include <QRectF>

class QPainter;
class QPainterPath;

// Ball-pen marks drawn by hand: every stroke wobbles a little and no two
// marks are alike, so the reader never sees the same shape twice.
class PenStrokes
{
public:
    PenStrokes(QPainter& painter, double dpi, QRandomGenerator& random);

    void tick(const QRectF& box);
    void cross(const QRectF& box);
    void fill(const QRectF& box);
    // A loop drawn round a printed label.
    void ring(const QRectF& label);
    // Joined-up scribble standing for `wordCount` words inside `area`.
    void handwriting(const QRectF& area, int wordCount);

private:
    double jitter(double amount);
    void addLetter(QPainterPath& path, double left, double baseline, double width, double xHeight,
                   double slant);
    void stroke(const QList<QPointF>& points, double width);

    QPainter& m_painter;
    double m_dpi;
    QRandomGenerator& m_random;
};
