// picture_folder.h: where tvhost --png puts its pictures of the screen,
// one PNG file per screen, numbered in order and named after its heading.
#pragma once

#include <string>

#include "escreenpicture.h"
#include "file_handle.h"

class PictureFolder {
public:
    // Creates the folder when missing, holds it open and loads the fonts.
    // Done before --root covers /tmp, /var and /mnt, where it may lie.
    bool open(const std::string& dir, std::string& error);
    bool isOpen() const { return static_cast<bool>(folder); }

    // Writes the screen as it stands now; name: the file's name in the folder.
    bool save(const std::string& heading, std::string& name, std::string& error);

    // "003-after-green.png" for the third picture, headed "after green".
    static std::string fileName(int number, const std::string& heading);

private:
    FdHandle folder;
    int saved = 0;
    eScreenPicture picture;
};
