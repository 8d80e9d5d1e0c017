// text_layout.h: breaks a widget's text into the lines it shows.
#pragma once

#include <string>
#include <vector>

// The text's own line breaks always start a new line; tabs advance to the
// next multiple of 8 columns from the line's start. With wrap, lines longer
// than width break between words (a word longer than a line is split).
std::vector<std::string> layoutText(const std::string& text, int width, bool wrap);
