// Points and rectangles in points (the frame's coordinate units), origin top left.
#pragma once

namespace VSTGUI {

using CCoord = double;

struct CPoint {
    CCoord x = 0.0;
    CCoord y = 0.0;

    constexpr CPoint() = default;
    constexpr CPoint(CCoord px, CCoord py) : x(px), y(py) {}

    constexpr CPoint operator+(const CPoint& o) const { return {x + o.x, y + o.y}; }
    constexpr CPoint operator-(const CPoint& o) const { return {x - o.x, y - o.y}; }
    constexpr bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
    constexpr bool operator!=(const CPoint& o) const { return !(*this == o); }
    constexpr CPoint& offset(CCoord dx, CCoord dy) {
        x += dx;
        y += dy;
        return *this;
    }
};

// A rectangle holds its edges; right and bottom are exclusive for hit tests.
struct CRect {
    CCoord left = 0.0;
    CCoord top = 0.0;
    CCoord right = 0.0;
    CCoord bottom = 0.0;

    constexpr CRect() = default;
    constexpr CRect(CCoord l, CCoord t, CCoord r, CCoord b) : left(l), top(t), right(r), bottom(b) {}
    constexpr CRect(const CPoint& origin, const CPoint& size)
        : left(origin.x), top(origin.y), right(origin.x + size.x), bottom(origin.y + size.y) {}

    constexpr CCoord getWidth() const { return right - left; }
    constexpr CCoord getHeight() const { return bottom - top; }
    constexpr CPoint getTopLeft() const { return {left, top}; }
    constexpr CPoint getSize() const { return {getWidth(), getHeight()}; }
    constexpr CPoint getCenter() const { return {left + getWidth() / 2.0, top + getHeight() / 2.0}; }
    constexpr bool isEmpty() const { return !(right > left && bottom > top); }

    constexpr CRect& offset(CCoord dx, CCoord dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    // Moves every edge inwards by dx (left, right) and dy (top, bottom).
    constexpr CRect& inset(CCoord dx, CCoord dy) {
        left += dx;
        right -= dx;
        top += dy;
        bottom -= dy;
        return *this;
    }
    // Moves every edge outwards by dx and dy.
    constexpr CRect& extend(CCoord dx, CCoord dy) { return inset(-dx, -dy); }

    constexpr bool pointInside(const CPoint& p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr bool rectOverlap(const CRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    // Intersection with o (an empty rectangle when they do not overlap).
    constexpr CRect& bound(const CRect& o) {
        left = left > o.left ? left : o.left;
        top = top > o.top ? top : o.top;
        right = right < o.right ? right : o.right;
        bottom = bottom < o.bottom ? bottom : o.bottom;
        if (right < left) right = left;
        if (bottom < top) bottom = top;
        return *this;
    }
    // Smallest rectangle holding both.
    constexpr CRect& unite(const CRect& o) {
        left = left < o.left ? left : o.left;
        top = top < o.top ? top : o.top;
        right = right > o.right ? right : o.right;
        bottom = bottom > o.bottom ? bottom : o.bottom;
        return *this;
    }

    constexpr bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    constexpr bool operator!=(const CRect& o) const { return !(*this == o); }
};

}  // namespace VSTGUI
