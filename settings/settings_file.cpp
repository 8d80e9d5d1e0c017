// settings_file.cpp: reads and writes the settings file.
#include "settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string directoryOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos)
        return "./";
    return path.substr(0, slash + 1);
}

std::string nameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// Flushes the directory entry of a just renamed file to storage. The new
// file is already complete, so a failure here costs nothing but durability.
void syncDirectory(const std::string& directory) {
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

// Writes the settings to the new file's stream and closes it on every path;
// false if any step failed, the close included.
bool writeAndClose(std::FILE* stream, const char* epgFilename, int daysToDownload) {
    File file(stream);
    if (std::fprintf(file.get(), "# Tarvio config file - DO NOT EDIT!\n%s\n%d\n", epgFilename,
                     daysToDownload) < 0)
        return false;
    if (std::fflush(file.get()) != 0)
        return false;
    // The rename must not reach the disk before the data does, or a power
    // cut could leave an empty settings file behind.
    if (fsync(fileno(file.get())) != 0)
        return false;
    return std::fclose(file.release()) == 0;
}

}  // namespace

void loadSettings(const char* path, char (&epgFilename)[kEpgFilenameSize], int& daysToDownload) {
    File file(std::fopen(path, "rb"));
    if (!file)
        return;

    char defaultFilename[kEpgFilenameSize];
    std::memcpy(defaultFilename, epgFilename, sizeof defaultFilename);

    // Lines are read with fgets in fixed buffers, so an overlong line runs on
    // into the next read; the file's layout is read as it always was.
    // A read that meets the end of the file leaves its buffer as it was.
    char scratch[64];
    const bool readHeader = std::fgets(scratch, sizeof scratch, file.get()) != nullptr;
    if (std::fgets(epgFilename, sizeof epgFilename, file.get()))
        epgFilename[std::strcspn(epgFilename, "\r\n")] = '\0';
    std::fgets(scratch, sizeof scratch, file.get());

    // After a read error fgets leaves its buffer undefined: the file counts
    // as unreadable and the values stay as they were.
    if (std::ferror(file.get())) {
        std::memcpy(epgFilename, defaultFilename, sizeof defaultFilename);
        return;
    }
    // An empty file has no line to take the days from: keep what is held.
    if (!readHeader)
        return;

    // Only the first character of the days line counts.
    scratch[1] = '\0';
    daysToDownload = static_cast<int>(std::strtol(scratch, nullptr, 10));
}

bool saveSettings(const char* path, const char* epgFilename, int daysToDownload) {
    // The new file is written beside the old one and renamed over it, so the
    // settings file is always either the old one or the complete new one.
    const std::string target(path);
    std::string temporary = directoryOf(target) + "." + nameOf(target) + ".XXXXXX";
    const int fd = mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0)
        return false;

    // Readable by all, as a file the box's tools create would be.
    std::FILE* stream = fchmod(fd, 0644) == 0 ? fdopen(fd, "wb") : nullptr;
    if (!stream)
        close(fd);
    const bool written = stream && writeAndClose(stream, epgFilename, daysToDownload);

    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    syncDirectory(directoryOf(target));
    return true;
}
