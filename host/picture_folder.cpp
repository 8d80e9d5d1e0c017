// picture_folder.cpp: numbered PNG files in a folder held open by descriptor.
#include "picture_folder.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#include "gpng.h"

namespace {
// Long headings ("after text:...") are cut to keep the names readable.
const std::string::size_type kMostHeadingCharacters = 40;
}  // namespace

bool PictureFolder::open(const std::string& dir, std::string& error) {
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        error = "cannot create the picture folder " + dir + ": " + std::strerror(errno);
        return false;
    }
    folder.reset(::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder) {
        error = "cannot open the picture folder " + dir + ": " + std::strerror(errno);
        return false;
    }
    return picture.loadFonts(error);
}

bool PictureFolder::save(const std::string& heading, std::string& name, std::string& error) {
    name = fileName(++saved, heading);
    // Through the held descriptor: the folder's own path may lie under
    // a folder that --root has since covered.
    const std::string path = "/proc/self/fd/" + std::to_string(folder.get()) + "/" + name;
    if (!writePng(picture.render(), path, error)) {
        error = "cannot write the picture " + name + ": " + error;
        return false;
    }
    return true;
}

std::string PictureFolder::fileName(int number, const std::string& heading) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%03d", number);
    std::string name = std::string(prefix) + "-";
    // Letters and digits as they are, every other run of characters as one "-".
    for (char c : heading.substr(0, kMostHeadingCharacters)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u))
            name += static_cast<char>(std::tolower(u));
        else if (name.back() != '-')
            name += '-';
    }
    if (name.back() == '-')
        name.pop_back();
    return name + ".png";
}
