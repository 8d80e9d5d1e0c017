// plugin_loader.h: loads a plug-in's shared object and finds its entry point.
#pragma once

#include <string>

#include "file_handle.h"
#include "plugin.h"

class PluginLoader {
public:
    PluginLoader() = default;
    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    // Opens the file; done before the file system view may change.
    bool open(const std::string& path, std::string& error);
    // Loads the opened file and looks up plugin_exec.
    bool load(std::string& error);

    PluginExecFunction entry() const { return exec; }

private:
    std::string path;
    FdHandle fd;
    void* handle = nullptr;
    PluginExecFunction exec = nullptr;
};
