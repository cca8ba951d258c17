#include "PenStrokes.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

PenStrokes::PenStrokes(QPainter& painter, double dpi, QRandomGenerator& random, InkStyle ink)
    : m_painter(painter), m_dpi(dpi), m_random(random), m_ink(ink)
{
}

void PenStrokes::ink(const QPainterPath& path, double width, bool roundJoin)
{
    width *= m_ink.widthScale;
    if (m_ink.isClassic()) {
        QPen pen(m_ink.colour, width);
        pen.setCapStyle(Qt::RoundCap);
        if (roundJoin)
            pen.setJoinStyle(Qt::RoundJoin);
        m_painter.setPen(pen);
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawPath(path);
        return;
    }
    // A shaky hand: the path followed in small steps, each pushed a little
    // off course by a slowly drifting wobble.
    const double step = qMax(1.0, m_dpi / 150.0);
    const double amplitude = m_ink.tremor * m_dpi / 300.0 * 1.6;
    QPolygonF points;
    QPointF drift;
    for (const QPolygonF& piece : path.toSubpathPolygons()) {
        for (qsizetype i = 0; i + 1 < piece.size(); ++i) {
            const QPointF from = piece[i], to = piece[i + 1];
            const int parts = qMax(1, int(QLineF(from, to).length() / step));
            for (int k = 0; k < parts; ++k) {
                drift = drift * 0.7 + QPointF(jitter(amplitude), jitter(amplitude)) * 0.55;
                points.append(from + (to - from) * (double(k) / parts) + drift);
            }
        }
        if (!piece.isEmpty())
            points.append(piece.last() + drift);
    }
    QColor colour = m_ink.colour;
    if (m_ink.pencil) {
        // Graphite: a light, uneven grey laid down twice.
        colour.setAlpha(130);
        width *= 0.8;
    }
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
    // Ink darkens what it crosses; it never lightens the print.
    m_painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    m_painter.drawPolyline(points);
    if (m_ink.pencil) {
        pen.setWidthF(width * 0.5);
        m_painter.setPen(pen);
        m_painter.drawPolyline(points.translated(jitter(width * 0.3), jitter(width * 0.3)));
    }
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
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
    ink(path, width * (0.85 + 0.3 * m_random.generateDouble()));
}

void PenStrokes::tick(const QRectF& box)
{
    const double w = box.width();
    const double wobble = w * 0.08;
    const QPointF start(box.left() + w * 0.12 + jitter(wobble),
                        box.top() + w * 0.5 + jitter(wobble));
    const QPointF valley(box.left() + w * 0.42 + jitter(wobble),
                         box.bottom() - w * 0.08 + jitter(wobble));
    const double over = 1 + 2.5 * m_ink.overshoot;
    const QPointF end(box.right() + w * (0.05 + 0.2 * m_random.generateDouble()) * over,
                      box.top() - w * (0.1 + 0.25 * m_random.generateDouble()) * over);
    const QPointF bend((valley.x() + end.x()) / 2 + jitter(wobble),
                       (valley.y() + end.y()) / 2 + jitter(wobble));
    stroke(
        {start, (start + valley) / 2 + QPointF(jitter(wobble), jitter(wobble)), valley, bend, end},
        m_dpi / 72.0 * 1.5);
}

void PenStrokes::cross(const QRectF& box)
{
    const double w = box.width();
    const double over = w * 0.12 * (1 + 2.5 * m_ink.overshoot);
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
    ink(path, penWidth);
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
    ink(path, m_dpi / 72.0 * 1.3, false);
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
        ink(path, m_dpi / 72.0 * 1.1);
        x += letters * letterWidth + xHeight * (1.2 + 0.6 * m_random.generateDouble());
        baseline += jitter(xHeight * 0.15);
    }
}

void PenStrokes::scribble(const QRectF& box)
{
    // Quick diagonal zig-zags, some running past the edges, paper between.
    const double w = box.width();
    const double over = w * (0.05 + 0.2 * m_ink.overshoot);
    const int passes = 3 + m_random.bounded(4);
    QPainterPath path;
    const bool rising = m_random.bounded(2) == 0;
    for (int i = 0; i <= passes; ++i) {
        const double t = double(i) / passes;
        const double x = box.left() - over + (w + 2 * over) * t + jitter(w * 0.08);
        const double y = (i % 2 == 0) == rising ? box.bottom() + jitter(over + w * 0.05)
                                                : box.top() + jitter(over + w * 0.05);
        if (i == 0)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    ink(path, m_dpi / 72.0 * (1.1 + 0.5 * m_random.generateDouble()));
}

void PenStrokes::ringAround(const QRectF& target, RingFit fit)
{
    const double h = qMin(target.height(), m_dpi / 72.0 * 16);
    double rx = 0, ry = 0, exponent = 2;
    if (fit == RingFit::tight) {
        // Hugs the word: a squarish oval that runs through the ascenders.
        rx = target.width() / 2 + h * (0.06 + 0.2 * m_random.generateDouble());
        ry = target.height() * (0.46 + 0.14 * m_random.generateDouble());
        exponent = 2.6 + 1.4 * m_random.generateDouble();
    } else {
        rx = target.width() / 2 + h * (0.35 + 0.4 * m_random.generateDouble());
        ry = target.height() * (0.72 + 0.25 * m_random.generateDouble());
        exponent = 2.2 + 0.8 * m_random.generateDouble();
    }
    const QPointF centre = target.center() + QPointF(jitter(h * 0.06), jitter(h * 0.05));
    const double tilt = qDegreesToRadians(jitter(2.5));
    const double startAngle = m_random.generateDouble() * 2 * M_PI;
    const double sweep = 2 * M_PI * (1.05 + 0.12 * m_random.generateDouble());
    const int steps = 72;
    QPainterPath path;
    for (int i = 0; i <= steps; ++i) {
        const double a = startAngle + sweep * i / steps;
        const double c = std::cos(a), s = std::sin(a);
        // The loop drifts outwards so its ends overlap instead of closing.
        const double grow = 1 + 0.06 * i / steps;
        const double x = std::copysign(std::pow(std::abs(c), 2 / exponent), c) * rx * grow;
        const double y = std::copysign(std::pow(std::abs(s), 2 / exponent), s) * ry * grow;
        const QPointF point = centre + QPointF(x * std::cos(tilt) - y * std::sin(tilt),
                                               x * std::sin(tilt) + y * std::cos(tilt));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    ink(path, m_dpi / 72.0 * (1.0 + 0.5 * m_random.generateDouble()));
}

QRectF PenStrokes::boxBefore(const QRectF& label)
{
    // Where a box would be: a little square in the gap left of the label.
    const double size = label.height() * (0.6 + 0.25 * m_random.generateDouble());
    const double gap = label.height() * (0.12 + 0.25 * m_random.generateDouble());
    return QRectF(label.left() - gap - size, label.center().y() - size / 2 + jitter(size * 0.15),
                  size, size);
}

void PenStrokes::tickBefore(const QRectF& label)
{
    tick(boxBefore(label));
}

void PenStrokes::crossBefore(const QRectF& label)
{
    cross(boxBefore(label).adjusted(2, 2, -2, -2));
}

double PenStrokes::writeWord(double x, double baseline, double xHeight, double slant, int letters,
                             double letterWidth)
{
    QPainterPath path(QPointF(x, baseline));
    for (int letter = 0; letter < letters; ++letter)
        addLetter(path, x + letter * letterWidth, baseline, letterWidth, xHeight, slant);
    ink(path, m_dpi / 72.0 * 1.1);
    return letters * letterWidth;
}

void PenStrokes::handwritingOnLines(const QList<QLineF>& baselines, int wordCount)
{
    if (baselines.isEmpty())
        return;
    const double pitch =
        baselines.size() > 1 ? baselines[1].y1() - baselines[0].y1() : m_dpi / 72.0 * 24;
    const double xHeight =
        qMin(pitch * (0.26 + 0.14 * m_random.generateDouble()), m_dpi / 72.0 * 9);
    const double slant = xHeight * (0.1 + 0.4 * m_random.generateDouble());
    int line = 0;
    double x = baselines[0].x1() + jitter(xHeight) + xHeight;
    for (int word = 0; word < wordCount; ++word) {
        const int letters = 2 + m_random.bounded(7);
        const double letterWidth = xHeight * (0.65 + 0.4 * m_random.generateDouble());
        if (x + letters * letterWidth > baselines[line].x2()) {
            if (++line >= baselines.size())
                break;
            x = baselines[line].x1() + jitter(xHeight) + xHeight * 0.5;
        }
        const double baseline =
            baselines[line].y1() - xHeight * (0.15 + 0.3 * m_random.generateDouble());
        x += writeWord(x, baseline, xHeight, slant, letters, letterWidth) +
             xHeight * (1.0 + 0.8 * m_random.generateDouble());
    }
}

void PenStrokes::squiggle(const QRectF& area)
{
    QPainterPath path(QPointF(area.left() + m_random.generateDouble() * area.width(),
                              area.top() + m_random.generateDouble() * area.height()));
    const int turns = 3 + m_random.bounded(5);
    for (int i = 0; i < turns; ++i) {
        auto somewhere = [&] {
            return QPointF(area.left() + m_random.generateDouble() * area.width(),
                           area.top() + m_random.generateDouble() * area.height());
        };
        path.cubicTo(somewhere(), somewhere(), somewhere());
    }
    const InkStyle saved = m_ink;
    m_ink = InkStyle{.colour = QColor(120, 120, 125), .tremor = 0.5, .pencil = true};
    ink(path, m_dpi / 72.0 * 0.9);
    m_ink = saved;
}
