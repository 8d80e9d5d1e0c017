// gpainter.h: the drawing surface widgets paint on: the TV picture as a grid
// of character cells.
#pragma once

#include <string>
#include <vector>

#include "geometry.h"

class gPainter {
public:
    // A 720x576 picture, 8x16 pixels to a character.
    static constexpr int kCellWidth = 8;
    static constexpr int kCellHeight = 16;
    static constexpr int kColumns = 720 / kCellWidth;
    static constexpr int kRows = 576 / kCellHeight;

    gPainter();

    // The cells covering a rectangle given in screen pixels. A non-empty
    // rectangle always covers at least one cell.
    static eRect cellsOf(const eRect& pixels);

    // Drawing stays within the clip rectangle (cells) and the screen.
    void setClip(const eRect& cells);
    const eRect& getClip() const { return clip; }

    void put(int column, int row, char c, bool highlight = false);
    void text(int column, int row, const std::string& s, bool highlight = false);
    void fill(const eRect& cells, char c);

    char at(int column, int row) const;
    bool highlighted(int column, int row) const;

    // The screen's rows, each right-trimmed.
    std::vector<std::string> lines() const;

private:
    std::vector<std::string> grid;
    std::vector<std::vector<bool>> marks;
    eRect clip;
};
