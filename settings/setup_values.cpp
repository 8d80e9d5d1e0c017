// setup_values.cpp: turns the setup page's input texts into the settings.
#include "setup_values.h"

#include <climits>
#include <cstdlib>
#include <cstring>

void takeEpgFilenameInput(Settings& settings, const char* text) {
    char (&epgFilename)[kEpgFilenameSize] = settings.epgFilename;
    static_assert(kEpgFilenameInputLength < kEpgFilenameSize, "the path input must fit epgFilename");
    // strncpy leaves the copy unterminated when the text is as long as the
    // limit, so the terminator is set here.
    std::strncpy(epgFilename, text, kEpgFilenameInputLength);
    epgFilename[kEpgFilenameInputLength] = '\0';
}

int parseDays(const char* text) {
    const long days = std::strtol(text, nullptr, 10);
    if (days > INT_MAX)
        return INT_MAX;
    if (days < INT_MIN)
        return INT_MIN;
    return static_cast<int>(days);
}
