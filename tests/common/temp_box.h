// temp_box.h: a private temporary folder laid out like the box's file
// system, for tests; removed again on destruction.
#pragma once

#include <string>

#include "file_handle.h"

// Holds BASE/tarvio-box-XXXXXX (BASE: $TMPDIR or /tmp) with var/kestra/plugins,
// mnt/usb and tmp created. Removal works even after enterBoxRoot() has
// covered /tmp, since the folder's parent is held open from the start.
class TempBox {
public:
    TempBox();  // on failure path() is empty
    ~TempBox();
    TempBox(const TempBox&) = delete;
    TempBox& operator=(const TempBox&) = delete;

    const std::string& path() const { return folder; }
    bool valid() const { return !folder.empty(); }

private:
    std::string folder;
    std::string name;
    FdHandle parentFd;
};
