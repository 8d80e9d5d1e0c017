// gpixmap.h: the TV picture as pixels: a 720x576 RGBA surface that the
// picture renderer paints on.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry.h"

struct gRGB {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    gRGB() = default;
    gRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha = 255)
        : r(red), g(green), b(blue), a(alpha) {}
    bool operator==(const gRGB& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const gRGB& o) const { return !(*this == o); }
};

class gPixmap {
public:
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 576;

    explicit gPixmap(const gRGB& background);

    // Painting stays within the clip rectangle (pixels) and the picture.
    void setClip(const eRect& pixels);
    const eRect& getClip() const { return clip; }

    void fill(const eRect& pixels, const gRGB& colour);
    // A border of the given thickness just inside the rectangle.
    void frame(const eRect& pixels, const gRGB& colour, int thickness = 1);
    // Mixes colour over the pixel; coverage 0..255 (a glyph's grey level).
    void blend(int x, int y, const gRGB& colour, int coverage);

    gRGB at(int x, int y) const;
    // Rows top to bottom, 4 bytes (R, G, B, A) to a pixel.
    const std::vector<std::uint8_t>& bytes() const { return pixels; }

private:
    std::vector<std::uint8_t> pixels;
    eRect clip;
};
