// gfont.cpp: glyphs from FreeType, blended onto the pixmap by their grey levels.
#include "gfont.h"

#include <ft2build.h>
#include FT_FREETYPE_H

// Releases the face before the library that made it.
struct gFont::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Face() {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

namespace {
// FreeType measures in 26.6 fixed point.
int pixelsOf(FT_Pos sixtyFourths) { return static_cast<int>((sixtyFourths + 32) >> 6); }

// The texts are the plug-in's own and the channel list's: one byte, one
// character (Latin-1), as on the text screen.
FT_ULong codeOf(char c) { return static_cast<unsigned char>(c); }
}  // namespace

gFont::gFont() = default;
gFont::~gFont() = default;

bool gFont::load(const std::string& path, int pixelSize, std::string& error) {
    auto loaded = std::make_unique<Face>();
    if (FT_Init_FreeType(&loaded->library) != 0) {
        error = "cannot start FreeType";
        return false;
    }
    if (FT_New_Face(loaded->library, path.c_str(), 0, &loaded->face) != 0) {
        error = "cannot open the font " + path;
        return false;
    }
    if (FT_Set_Pixel_Sizes(loaded->face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
        error = "the font " + path + " has no size " + std::to_string(pixelSize);
        return false;
    }
    const FT_Size_Metrics& metrics = loaded->face->size->metrics;
    ascent = pixelsOf(metrics.ascender);
    height = pixelsOf(metrics.height);
    face = std::move(loaded);
    return true;
}

int gFont::width(const std::string& text) const {
    if (!face)
        return 0;
    FT_Pos total = 0;
    for (char c : text)
        if (FT_Load_Char(face->face, codeOf(c), FT_LOAD_DEFAULT) == 0)
            total += face->face->glyph->advance.x;
    return pixelsOf(total);
}

void gFont::draw(gPixmap& pixmap, int x, int baseline, const std::string& text, const gRGB& colour) const {
    if (!face)
        return;
    // The pen advances in 26.6 so that rounding does not add up along a line.
    FT_Pos pen = static_cast<FT_Pos>(x) << 6;
    for (char c : text) {
        if (FT_Load_Char(face->face, codeOf(c), FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot glyph = face->face->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        const int left = pixelsOf(pen) + glyph->bitmap_left;
        const int top = baseline - glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const unsigned char* line = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
            for (unsigned column = 0; column < bitmap.width; ++column)
                pixmap.blend(left + static_cast<int>(column), top + static_cast<int>(row), colour, line[column]);
        }
        pen += glyph->advance.x;
    }
}
