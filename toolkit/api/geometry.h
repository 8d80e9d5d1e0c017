// geometry.h: points, sizes and rectangles in screen pixels.
#pragma once

struct ePoint {
    int x = 0, y = 0;
    ePoint() = default;
    ePoint(int x_, int y_) : x(x_), y(y_) {}
};

struct eSize {
    int w = 0, h = 0;
    eSize() = default;
    eSize(int width_, int height_) : w(width_), h(height_) {}
    int width() const { return w; }
    int height() const { return h; }
};

// left/top inclusive, right/bottom exclusive.
struct eRect {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    eRect() = default;
    eRect(const ePoint& topLeft, const eSize& size)
        : x1(topLeft.x), y1(topLeft.y), x2(topLeft.x + size.w), y2(topLeft.y + size.h) {}
    int left() const { return x1; }
    int top() const { return y1; }
    int right() const { return x2; }
    int bottom() const { return y2; }
    int width() const { return x2 - x1; }
    int height() const { return y2 - y1; }
    ePoint topLeft() const { return ePoint(x1, y1); }
    eSize size() const { return eSize(width(), height()); }
    bool isEmpty() const { return x2 <= x1 || y2 <= y1; }
    bool contains(int x, int y) const { return x >= x1 && x < x2 && y >= y1 && y < y2; }
    eRect intersect(const eRect& other) const {
        eRect r;
        r.x1 = x1 > other.x1 ? x1 : other.x1;
        r.y1 = y1 > other.y1 ? y1 : other.y1;
        r.x2 = x2 < other.x2 ? x2 : other.x2;
        r.y2 = y2 < other.y2 ? y2 : other.y2;
        if (r.isEmpty())
            r = eRect();
        return r;
    }
    eRect translated(int dx, int dy) const {
        eRect r = *this;
        r.x1 += dx; r.x2 += dx; r.y1 += dy; r.y2 += dy;
        return r;
    }
};
