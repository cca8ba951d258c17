#include "PenStrokes.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {
const QColor kInk(28, 38, 105); // blue-black ball pen
}

PenStrokes::PenStrokes(QPainter& painter, double dpi, QRandomGenerator& random)
    : m_painter(painter), m_dpi(dpi), m_random(random)
{
}

double PenStrokes::jitter(double amount)
{
    return (m_random.generateDouble() * 2 - 1) * amount;
}

void PenStrokes::stroke(const QList<QPointF>& points, double width)
{
    if (points.size() < 2)
        return;
    QPainterPath path(points.first());
    for (qsizetype i = 1; i + 1 < points.size(); i += 2)
        path.quadTo(points[i], points[i + 1]);
    if (points.size() % 2 == 0)
        path.lineTo(points.last());
    QPen pen(kInk, width * (0.85 + 0.3 * m_random.generateDouble()));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPath(path);
}

void PenStrokes::tick(const QRectF& box)
{
    const double w = box.width();
    const double wobble = w * 0.08;
    const QPointF start(box.left() + w * 0.12 + jitter(wobble),
                        box.top() + w * 0.5 + jitter(wobble));
    const QPointF valley(box.left() + w * 0.42 + jitter(wobble),
                         box.bottom() - w * 0.08 + jitter(wobble));
    const QPointF end(box.right() + w * (0.05 + 0.2 * m_random.generateDouble()),
                      box.top() - w * (0.1 + 0.25 * m_random.generateDouble()));
    const QPointF bend((valley.x() + end.x()) / 2 + jitter(wobble),
                       (valley.y() + end.y()) / 2 + jitter(wobble));
    stroke(
        {start, (start + valley) / 2 + QPointF(jitter(wobble), jitter(wobble)), valley, bend, end},
        m_dpi / 72.0 * 1.5);
}

void PenStrokes::cross(const QRectF& box)
{
    const double w = box.width();
    const double over = w * 0.12;
    const double wobble = w * 0.07;
    auto line = [&](QPointF a, QPointF b) {
        const QPointF middle = (a + b) / 2 + QPointF(jitter(wobble), jitter(wobble));
        stroke({a, middle, b}, m_dpi / 72.0 * 1.4);
    };
    line(box.topLeft() + QPointF(-over + jitter(wobble), -over + jitter(wobble)),
         box.bottomRight() + QPointF(over + jitter(wobble), over + jitter(wobble)));
    line(box.topRight() + QPointF(over + jitter(wobble), -over + jitter(wobble)),
         box.bottomLeft() + QPointF(-over + jitter(wobble), over + jitter(wobble)));
}

void PenStrokes::fill(const QRectF& box)
{
    // Scribbled back and forth until the square is dark.
    const double penWidth = m_dpi / 72.0 * 1.6;
    const QRectF inner =
        box.adjusted(penWidth * 0.3, penWidth * 0.3, -penWidth * 0.3, -penWidth * 0.3);
    QList<QPointF> points;
    const int passes = qMax(4, int(inner.height() / (penWidth * 0.7)));
    for (int i = 0; i <= passes; ++i) {
        const double y = inner.top() + inner.height() * i / passes + jitter(penWidth * 0.2);
        const bool leftToRight = i % 2 == 0;
        points.append(QPointF(leftToRight ? inner.left() : inner.right(), y));
        points.append(QPointF(inner.center().x() + jitter(penWidth * 0.3), y));
        points.append(QPointF(leftToRight ? inner.right() : inner.left(), y));
    }
    QPainterPath path(points.first());
    for (const QPointF& point : points)
        path.lineTo(point);
    QPen pen(kInk, penWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPath(path);
}

void PenStrokes::ring(const QRectF& label)
{
    const double h = label.height();
    const QPointF centre = label.center() + QPointF(jitter(h * 0.08), jitter(h * 0.06));
    const double rx = label.width() / 2 + h * (0.5 + 0.15 * m_random.generateDouble());
    const double ry = h * (0.85 + 0.1 * m_random.generateDouble());
    const double startAngle = m_random.generateDouble() * 2 * M_PI;
    const double sweep = 2 * M_PI * (1.08 + 0.1 * m_random.generateDouble());
    QList<QPointF> points;
    const int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        const double a = startAngle + sweep * i / steps;
        // The loop drifts outwards so its ends overlap instead of closing.
        const double grow = 1 + 0.08 * i / steps;
        points.append(centre + QPointF(std::cos(a) * rx * grow, std::sin(a) * ry * grow));
    }
    QPainterPath path(points.first());
    for (const QPointF& point : points)
        path.lineTo(point);
    QPen pen(kInk, m_dpi / 72.0 * 1.3);
    pen.setCapStyle(Qt::RoundCap);
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPath(path);
}

void PenStrokes::addLetter(QPainterPath& path, double left, double baseline, double width,
                           double xHeight, double slant)
{
    const double h = xHeight * (0.85 + 0.3 * m_random.generateDouble());
    const double end = baseline + jitter(xHeight * 0.1);
    switch (m_random.bounded(6)) {
    case 0:   // a tall loop, like l, b or d
    case 1: { // a small loop, like e
        const double top = baseline - h * (m_random.bounded(2) == 0 ? 2.1 : 1.0);
        path.cubicTo(QPointF(left + width * 0.6 + slant, baseline - h * 0.2),
                     QPointF(left + width * 0.9 + slant, top),
                     QPointF(left + width * 0.5 + slant, top));
        path.cubicTo(QPointF(left + width * 0.1 + slant, top), QPointF(left + width * 0.4, end),
                     QPointF(left + width, end));
        break;
    }
    case 2: // a hump, like n or m
        path.cubicTo(QPointF(left + slant, baseline - h),
                     QPointF(left + width * 0.5 + slant, baseline - h * 1.1),
                     QPointF(left + width * 0.6, baseline));
        path.quadTo(QPointF(left + width * 0.8, baseline - h * 0.6), QPointF(left + width, end));
        break;
    case 3: { // a round letter, like o or a
        const QPointF top(left + width * 0.55 + slant, baseline - h);
        path.quadTo(QPointF(left + width * 0.2, baseline - h * 0.2), top);
        path.cubicTo(QPointF(left + width * 0.1 + slant, baseline - h),
                     QPointF(left + width * 0.1, baseline + h * 0.1),
                     QPointF(left + width * 0.6, baseline - h * 0.3));
        path.quadTo(QPointF(left + width * 0.7, baseline), QPointF(left + width, end));
        break;
    }
    case 4: { // a descender, like g or y
        const double bottom = baseline + h * 1.1;
        path.quadTo(QPointF(left + width * 0.3 + slant, baseline - h),
                    QPointF(left + width * 0.6 + slant, baseline - h));
        path.cubicTo(QPointF(left + width * 0.6, bottom), QPointF(left - width * 0.1, bottom),
                     QPointF(left + width * 0.3, baseline));
        path.quadTo(QPointF(left + width * 0.6, baseline - h * 0.3), QPointF(left + width, end));
        break;
    }
    default: // a stroke and a dot-less hook, like i or t
        path.lineTo(QPointF(left + width * 0.4 + slant, baseline - h * 1.2));
        path.quadTo(QPointF(left + width * 0.3, baseline + h * 0.1), QPointF(left + width, end));
        break;
    }
}

void PenStrokes::handwriting(const QRectF& area, int wordCount)
{
    const double xHeight = m_dpi / 72.0 * (6 + 2 * m_random.generateDouble());
    const double lineGap = xHeight * 3.2;
    double x = area.left() + jitter(xHeight);
    double baseline = area.top() + xHeight * 2.2;
    const double slant = 0.25 * xHeight;
    for (int word = 0; word < wordCount; ++word) {
        const int letters = 2 + m_random.bounded(7);
        const double letterWidth = xHeight * (0.7 + 0.3 * m_random.generateDouble());
        if (x + letters * letterWidth > area.right()) {
            x = area.left() + jitter(xHeight);
            baseline += lineGap;
        }
        if (baseline > area.bottom())
            break;
        QPainterPath path(QPointF(x, baseline));
        for (int letter = 0; letter < letters; ++letter)
            addLetter(path, x + letter * letterWidth, baseline, letterWidth, xHeight, slant);
        QPen pen(kInk, m_dpi / 72.0 * 1.1);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        m_painter.setPen(pen);
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawPath(path);
        x += letters * letterWidth + xHeight * (1.2 + 0.6 * m_random.generateDouble());
        baseline += jitter(xHeight * 0.15);
    }
}
