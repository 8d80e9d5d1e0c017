// gpng.cpp: PNG encoding through libpng's simplified API, which reports
// errors in its png_image rather than through longjmp.
#include "gpng.h"

#include <fstream>
#include <png.h>

std::vector<std::uint8_t> encodePng(const gPixmap& pixmap, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = gPixmap::kWidth;
    image.height = gPixmap::kHeight;
    image.format = PNG_FORMAT_RGBA;
    const png_int_32 rowStride = gPixmap::kWidth * 4;

    // The first call only measures.
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixmap.bytes().data(), rowStride, nullptr)) {
        error = std::string("cannot encode the picture: ") + image.message;
        return {};
    }
    std::vector<std::uint8_t> png(size);
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixmap.bytes().data(), rowStride, nullptr)) {
        error = std::string("cannot encode the picture: ") + image.message;
        return {};
    }
    png.resize(size);
    return png;
}

bool writePng(const gPixmap& pixmap, const std::string& path, std::string& error) {
    std::vector<std::uint8_t> png = encodePng(pixmap, error);
    if (png.empty())
        return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    file.close();
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
