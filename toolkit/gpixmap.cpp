// gpixmap.cpp: the RGBA picture surface.
#include "gpixmap.h"

namespace {
const eRect kWhole(ePoint(0, 0), eSize(gPixmap::kWidth, gPixmap::kHeight));

std::size_t offsetOf(int x, int y) {
    return (static_cast<std::size_t>(y) * gPixmap::kWidth + static_cast<std::size_t>(x)) * 4;
}

std::uint8_t mix(int under, int over, int coverage) {
    return static_cast<std::uint8_t>((under * (255 - coverage) + over * coverage + 127) / 255);
}
}  // namespace

gPixmap::gPixmap(const gRGB& background)
    : pixels(static_cast<std::size_t>(kWidth) * kHeight * 4), clip(kWhole) {
    fill(kWhole, background);
}

void gPixmap::setClip(const eRect& area) { clip = area.intersect(kWhole); }

void gPixmap::fill(const eRect& area, const gRGB& colour) {
    const eRect r = area.intersect(clip);
    for (int y = r.y1; y < r.y2; ++y) {
        for (int x = r.x1; x < r.x2; ++x) {
            std::uint8_t* p = &pixels[offsetOf(x, y)];
            p[0] = colour.r;
            p[1] = colour.g;
            p[2] = colour.b;
            p[3] = colour.a;
        }
    }
}

void gPixmap::frame(const eRect& area, const gRGB& colour, int thickness) {
    if (area.isEmpty())
        return;
    const int w = area.width(), h = area.height();
    fill(eRect(area.topLeft(), eSize(w, thickness)), colour);
    fill(eRect(ePoint(area.x1, area.y2 - thickness), eSize(w, thickness)), colour);
    fill(eRect(area.topLeft(), eSize(thickness, h)), colour);
    fill(eRect(ePoint(area.x2 - thickness, area.y1), eSize(thickness, h)), colour);
}

void gPixmap::blend(int x, int y, const gRGB& colour, int coverage) {
    if (!clip.contains(x, y) || coverage <= 0)
        return;
    if (coverage > 255)
        coverage = 255;
    std::uint8_t* p = &pixels[offsetOf(x, y)];
    p[0] = mix(p[0], colour.r, coverage);
    p[1] = mix(p[1], colour.g, coverage);
    p[2] = mix(p[2], colour.b, coverage);
    p[3] = mix(p[3], colour.a, coverage);
}

gRGB gPixmap::at(int x, int y) const {
    if (!kWhole.contains(x, y))
        return gRGB(0, 0, 0, 0);
    const std::uint8_t* p = &pixels[offsetOf(x, y)];
    return gRGB(p[0], p[1], p[2], p[3]);
}
