// temp_folder.h: a private temporary folder for a test, removed afterwards.
#pragma once

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return root; }
    std::string file(const std::string& name) const { return root + "/" + name; }

private:
    std::string root;
};

// Writes content to path, replacing it.
void writeFile(const std::string& path, const std::string& content);
// The whole content of path; fails the test if it cannot be read.
std::string readFile(const std::string& path);
// The names in a folder, "." and ".." left out, sorted.
std::string listFolder(const std::string& path);
