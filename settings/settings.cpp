// settings.cpp: the two settings and their defaults.
#include "settings.h"

#include <cstdio>

Settings::Settings() {
    setEpgFilename(*this, kDefaultEpgFilename);
}

void setEpgFilename(Settings& settings, const char* path) {
    std::snprintf(settings.epgFilename, sizeof settings.epgFilename, "%s", path);
}
