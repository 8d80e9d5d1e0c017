// gfont.h: a proportional font at one pixel size, measured and drawn with
// FreeType, for the picture of the screen.
#pragma once

#include <memory>
#include <string>

#include "gpixmap.h"

class gFont {
public:
    gFont();
    ~gFont();
    gFont(const gFont&) = delete;
    gFont& operator=(const gFont&) = delete;

    // Opens a TrueType font file at a pixel size; false with the reason in
    // error when FreeType cannot use it.
    bool load(const std::string& path, int pixelSize, std::string& error);

    // The width of the text's glyphs in pixels, advances summed.
    int width(const std::string& text) const;
    // From a line's top to its baseline, and from one line's top to the next.
    int ascender() const { return ascent; }
    int lineHeight() const { return height; }

    // Draws the text with its left end at x and its baseline at baseline.
    void draw(gPixmap& pixmap, int x, int baseline, const std::string& text, const gRGB& colour) const;

private:
    struct Face;
    std::unique_ptr<Face> face;
    int ascent = 0;
    int height = 0;
};
