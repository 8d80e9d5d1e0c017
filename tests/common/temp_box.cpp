// temp_box.cpp: a temporary box folder and its removal by descriptor.
#include "temp_box.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
// Removes NAME inside the folder open as DIRFD, and everything below it.
void removeTree(int dirFd, const char* name) {
    FdHandle fd(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd) {
        // closedir closes the descriptor it was opened from.
        if (DIR* dir = ::fdopendir(fd.get())) {
            fd.release();
            std::vector<std::string> entries;
            while (dirent* entry = ::readdir(dir)) {
                std::string entryName = entry->d_name;
                if (entryName != "." && entryName != "..")
                    entries.push_back(entryName);
            }
            for (const std::string& entry : entries)
                removeTree(::dirfd(dir), entry.c_str());
            ::closedir(dir);
        }
        ::unlinkat(dirFd, name, AT_REMOVEDIR);
    } else {
        ::unlinkat(dirFd, name, 0);
    }
}

bool makeDirs(const std::string& base, const char* const* relative) {
    for (; *relative; ++relative) {
        std::string path = base;
        std::string rest = *relative;
        std::string::size_type start = 0;
        while (start < rest.size()) {
            std::string::size_type slash = rest.find('/', start);
            if (slash == std::string::npos)
                slash = rest.size();
            path += "/" + rest.substr(start, slash - start);
            if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
            start = slash + 1;
        }
    }
    return true;
}
}  // namespace

TempBox::TempBox() {
    const char* base = std::getenv("TMPDIR");
    std::string parent = base && *base ? base : "/tmp";
    std::string pattern = parent + "/tarvio-box-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        return;
    std::string made = buffer.data();
    parentFd.reset(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    name = made.substr(parent.size() + 1);
    static const char* const layout[] = {"var/kestra/plugins", "mnt/usb", "tmp", nullptr};
    if (!parentFd || !makeDirs(made, layout)) {
        if (parentFd)
            removeTree(parentFd.get(), name.c_str());
        return;
    }
    folder = made;
}

TempBox::~TempBox() {
    if (parentFd && !name.empty())
        removeTree(parentFd.get(), name.c_str());
}
