// gpainter.cpp: the character-cell drawing surface.
#include "gpainter.h"

gPainter::gPainter()
    : grid(kRows, std::string(kColumns, ' ')),
      marks(kRows, std::vector<bool>(kColumns, false)),
      clip(ePoint(0, 0), eSize(kColumns, kRows)) {}

eRect gPainter::cellsOf(const eRect& pixels) {
    if (pixels.isEmpty())
        return eRect();
    // Floor division, so that widgets left or above the screen still map
    // to the cells they would cover.
    auto cellFloor = [](int v, int unit) { return v >= 0 ? v / unit : -((-v + unit - 1) / unit); };
    eRect cells;
    cells.x1 = cellFloor(pixels.x1, kCellWidth);
    cells.y1 = cellFloor(pixels.y1, kCellHeight);
    cells.x2 = cellFloor(pixels.x2, kCellWidth);
    cells.y2 = cellFloor(pixels.y2, kCellHeight);
    if (cells.x2 <= cells.x1)
        cells.x2 = cells.x1 + 1;
    if (cells.y2 <= cells.y1)
        cells.y2 = cells.y1 + 1;
    return cells;
}

void gPainter::setClip(const eRect& cells) {
    clip = cells.intersect(eRect(ePoint(0, 0), eSize(kColumns, kRows)));
}

void gPainter::put(int column, int row, char c, bool highlight) {
    if (!clip.contains(column, row))
        return;
    grid[row][column] = c;
    marks[row][column] = highlight;
}

void gPainter::text(int column, int row, const std::string& s, bool highlight) {
    for (char c : s)
        put(column++, row, c, highlight);
}

void gPainter::fill(const eRect& cells, char c) {
    for (int row = cells.y1; row < cells.y2; ++row)
        for (int column = cells.x1; column < cells.x2; ++column)
            put(column, row, c);
}

char gPainter::at(int column, int row) const {
    if (column < 0 || column >= kColumns || row < 0 || row >= kRows)
        return ' ';
    return grid[row][column];
}

bool gPainter::highlighted(int column, int row) const {
    if (column < 0 || column >= kColumns || row < 0 || row >= kRows)
        return false;
    return marks[row][column];
}

std::vector<std::string> gPainter::lines() const {
    std::vector<std::string> out;
    for (const std::string& row : grid) {
        std::string::size_type end = row.find_last_not_of(' ');
        out.push_back(end == std::string::npos ? std::string() : row.substr(0, end + 1));
    }
    return out;
}
