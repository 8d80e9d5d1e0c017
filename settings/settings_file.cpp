// settings_file.cpp: reads and writes the settings file.
#include "settings_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "file_handle.h"
#include "file_open.h"
#include "safe_file.h"

namespace {

// Writes the settings and puts them in place; false if any step failed.
bool writeSettings(SafeFile& file, const Settings& settings) {
    return std::fprintf(file.file(), "# Tarvio config file - DO NOT EDIT!\n%s\n%d\n", settings.epgFilename,
                        settings.daysToDownload) >= 0 &&
           file.commit();
}

}  // namespace

void loadSettings(const char* path, Settings& settings) {
    char (&epgFilename)[kEpgFilenameSize] = settings.epgFilename;
    // A FIFO or a device here must not hold the dialog up as it opens: it
    // is refused at once, and the defaults hold as for a missing file.
    // What is read is bounded by the three fixed buffers below.
    FileHandle file = openRegularFile(path);
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
    settings.daysToDownload = static_cast<int>(std::strtol(scratch, nullptr, 10));
}

bool saveSettings(const char* path, const Settings& settings) {
    // Readable by all, as a file the box's tools create would be.
    SafeFile file;
    return file.open(path, SafeFile::TempName::Unique, 0644) &&
           writeSettings(file, settings);
}
