// temp_folder.h: a private folder for one test's files, removed afterwards; shared by the test folders.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The names in a folder, sorted, without "." and "..".
inline std::vector<std::string> folderNames(const std::string& path) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(path, ignored))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    EXPECT_TRUE(out.good()) << "cannot write " << path;
}

// The whole file; empty, and a failed expectation, when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempFolder {
public:
    TempFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarvio-test-XXXXXX";
        if (mkdtemp(&pattern[0]))
            root = pattern;
        else
            ADD_FAILURE() << "mkdtemp failed for " << pattern;
    }
    ~TempFolder() {
        if (root.empty())
            return;
        // Tests take write permission away from folders; give it back first.
        namespace fs = std::filesystem;
        std::error_code ignored;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (auto it = fs::recursive_directory_iterator(root, ignored); it != fs::recursive_directory_iterator();
             it.increment(ignored))
            if (it->is_directory(ignored))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(root, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return root; }
    std::string file(const std::string& name) const { return root + "/" + name; }
    void write(const std::string& name, const std::string& contents) const { writeFile(file(name), contents); }
    std::string read(const std::string& name) const { return readFile(file(name)); }
    std::vector<std::string> names() const { return folderNames(root); }

private:
    std::string root;
};
