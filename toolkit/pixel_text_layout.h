// pixel_text_layout.h: breaks a widget's text into the lines it shows on
// the picture, by the pixel widths of a proportional font.
#pragma once

#include <functional>
#include <string>
#include <vector>

// A word and where it starts, in pixels from the line's left end.
struct PlacedWord {
    int x;
    std::string text;
};

using PlacedLine = std::vector<PlacedWord>;
using TextMeasure = std::function<int(const std::string&)>;

// The same rules as the text screen's layoutText, in pixels: the text's own
// line breaks always start a new line; tabs advance to the next multiple of
// tabStop pixels from the line's start. With wrap, a word that would end
// beyond width starts a new line (a word longer than a line is split).
std::vector<PlacedLine> layoutTextInPixels(const std::string& text, int width, bool wrap, int tabStop,
                                           const TextMeasure& measure);
