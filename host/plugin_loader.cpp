// plugin_loader.cpp: dlopen of the plug-in through a descriptor held open.
#include "plugin_loader.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

// The plug-in stays loaded when the loader goes: objects it registered
// (atexit handlers, sanitizer reports) may still point into it until the
// process ends.
PluginLoader::~PluginLoader() = default;

bool PluginLoader::open(const std::string& file, std::string& error) {
    path = file;
    fd.reset(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        error = "cannot open plug-in " + file + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool PluginLoader::load(std::string& error) {
    // Loading by descriptor finds the file we opened even when --root has
    // since covered the folder it lies in.
    const std::string byFd = "/proc/self/fd/" + std::to_string(fd.get());
    handle = ::dlopen(byFd.c_str(), RTLD_NOW);
    if (!handle) {
        const char* why = ::dlerror();
        error = "cannot load plug-in " + path + ": " + (why ? why : "unknown error");
        return false;
    }
    ::dlerror();
    void* symbol = ::dlsym(handle, "plugin_exec");
    if (!symbol) {
        error = "plug-in " + path + " has no plugin_exec";
        return false;
    }
    exec = reinterpret_cast<PluginExecFunction>(symbol);
    return true;
}
