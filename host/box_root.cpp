// box_root.cpp: the private mount namespace behind tvhost --root.
#include "box_root.h"

#include "file_handle.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const kBoxFolders[] = {"var", "mnt", "tmp"};

std::string failure(const std::string& what) { return what + ": " + std::strerror(errno); }


bool writeFile(const char* path, const std::string& content) {
    FdHandle fd(::open(path, O_WRONLY | O_CLOEXEC));
    if (!fd)
        return false;
    return ::write(fd.get(), content.data(), content.size()) == static_cast<ssize_t>(content.size());
}

// Inside a new user namespace we keep our own ids (mapped onto themselves)
// and gain the right to mount in the new mount namespace.
bool enterUserNamespace(std::string& error) {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        error = failure("cannot create a user namespace (not root, and the system does not "
                        "allow unprivileged user namespaces)");
        return false;
    }
    writeFile("/proc/self/setgroups", "deny");
    if (!writeFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1\n") ||
        !writeFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1\n")) {
        error = failure("cannot map the user and group ids in the user namespace");
        return false;
    }
    return true;
}
}  // namespace

bool enterBoxRoot(const std::string& dir, std::string& error) {
    char resolved[PATH_MAX];
    if (!::realpath(dir.c_str(), resolved)) {
        error = failure("cannot find the root folder " + dir);
        return false;
    }
    const std::string root = resolved;
    for (const char* folder : kBoxFolders) {
        const std::string path = root + "/" + folder;
        if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
            error = failure("cannot create " + path);
            return false;
        }
    }

    if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNS) != 0) {
            error = failure("cannot create a mount namespace");
            return false;
        }
    } else if (!enterUserNamespace(error)) {
        return false;
    }
    // Our mounts must not propagate back to the machine's namespace.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        error = failure("cannot make the mount namespace private");
        return false;
    }
    // The folder may itself lie under /tmp, /var or /mnt: take hold of all
    // three (in this namespace) before anything is covered, and bind from
    // the held descriptors.
    FdHandle sources[3];
    for (int i = 0; i < 3; ++i) {
        const std::string path = root + "/" + kBoxFolders[i];
        sources[i].reset(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!sources[i]) {
            error = failure("cannot open " + path);
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) {
        const std::string source = "/proc/self/fd/" + std::to_string(sources[i].get());
        const std::string target = std::string("/") + kBoxFolders[i];
        if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0) {
            error = failure("cannot bind " + root + "/" + kBoxFolders[i] + " at " + target);
            return false;
        }
    }
    return true;
}
