// text_layout.h: breaks a widget's text into the lines it shows.
#pragma once

#include <string>
#include <vector>

// The text's own line breaks always start a new line; tabs advance to the
// next multiple of 8 columns from the line's start. With wrap, lines longer
// than width break between words (a word longer than a line is split).
std::vector<std::string> layoutText(const std::string& text, int width, bool wrap);

// Hands the text to a line breaker piece by piece: words, blanks, tabs and
// line breaks, the pieces every renderer lays out alike. A carriage return
// (from a DOS line end) shows as nothing.
template <class LineBreaker>
void feedText(const std::string& text, LineBreaker& breaker) {
    std::string word;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            word += c;
            continue;
        }
        if (!word.empty()) {
            breaker.word(word);
            word.clear();
        }
        if (c == ' ')
            breaker.space();
        else if (c == '\t')
            breaker.tab();
        else if (c == '\n')
            breaker.endParagraph();
    }
    if (!word.empty())
        breaker.word(word);
    breaker.endParagraph();
}
