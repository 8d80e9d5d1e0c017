// settings_file.h: the settings file (EPG file path and days to download).
#pragma once

#include "settings.h"

// Where the box keeps the settings.
inline constexpr const char kSettingsPath[] = "/var/kestra/plugins/tarvio.conf";

// Loads the settings file at path over the values held (the defaults).
// A missing, unreadable or empty file, or one that is no regular file (a
// FIFO, a device: never waited for), leaves them as they are.
void loadSettings(const char* path, Settings& settings);

// Replaces the settings file at path with the given values in one step.
// Returns false if it could not be written; the old file is then untouched.
bool saveSettings(const char* path, const Settings& settings);
