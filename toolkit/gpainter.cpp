// gpainter.cpp: the character-cell drawing surface.
#include "gpainter.h"

gPainter::gPainter()
    : grid(rows, std::string(columns, ' ')),
      marks(rows, std::vector<bool>(columns, false)),
      clip(ePoint(0, 0), eSize(columns, rows)) {}

eRect gPainter::cellsOf(const eRect& pixels) {
    if (pixels.isEmpty())
        return eRect();
    // Floor division, so that widgets left or above the screen still map
    // to the cells they would cover.
    auto cellFloor = [](int v, int unit) { return v >= 0 ? v / unit : -((-v + unit - 1) / unit); };
    eRect cells;
    cells.x1 = cellFloor(pixels.x1, cellWidth);
    cells.y1 = cellFloor(pixels.y1, cellHeight);
    cells.x2 = cellFloor(pixels.x2, cellWidth);
    cells.y2 = cellFloor(pixels.y2, cellHeight);
    if (cells.x2 <= cells.x1)
        cells.x2 = cells.x1 + 1;
    if (cells.y2 <= cells.y1)
        cells.y2 = cells.y1 + 1;
    return cells;
}

void gPainter::setClip(const eRect& cells) {
    clip = cells.intersect(eRect(ePoint(0, 0), eSize(columns, rows)));
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
    if (column < 0 || column >= columns || row < 0 || row >= rows)
        return ' ';
    return grid[row][column];
}

bool gPainter::highlighted(int column, int row) const {
    if (column < 0 || column >= columns || row < 0 || row >= rows)
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
