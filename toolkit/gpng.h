// gpng.h: the picture of the screen as a PNG file, encoded by libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gpixmap.h"

// The pixmap as the bytes of a PNG file (8-bit RGBA); empty on failure,
// with libpng's reason in error.
std::vector<std::uint8_t> encodePng(const gPixmap& pixmap, std::string& error);

// Writes the pixmap to path as a PNG file; false with the reason in error.
bool writePng(const gPixmap& pixmap, const std::string& path, std::string& error);
