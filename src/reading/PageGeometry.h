#pragma once

#include <QPointF>
#include <QRectF>
#include <algorithm>

// Rectangle rules of the page reader. Unlike QRectF, a rectangle of zero
// width still counts in unions and intersections, and edges that touch
// intersect.
namespace geometry {

inline QRectF unite(const QRectF& a, const QRectF& b)
{
    const double left = std::min(a.left(), b.left());
    const double top = std::min(a.top(), b.top());
    const double right = std::max(a.right(), b.right());
    const double bottom = std::max(a.bottom(), b.bottom());
    return {left, top, right - left, bottom - top};
}

inline bool intersects(const QRectF& a, const QRectF& b)
{
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() &&
           b.top() <= a.bottom();
}

// The overlap, or an empty rectangle at the origin when there is none.
inline QRectF intersection(const QRectF& a, const QRectF& b)
{
    if (!intersects(a, b))
        return {};
    const double left = std::max(a.left(), b.left());
    const double top = std::max(a.top(), b.top());
    const double right = std::min(a.right(), b.right());
    const double bottom = std::min(a.bottom(), b.bottom());
    return {left, top, right - left, bottom - top};
}

// Half-open containment: the right and bottom edges are outside.
inline bool contains(const QRectF& r, const QPointF& p)
{
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

inline QRectF grown(const QRectF& r, double by)
{
    return r.adjusted(-by, -by, by, by);
}

inline QRectF imageBounds(double width, double height)
{
    return {0, 0, width, height};
}

} // namespace geometry
