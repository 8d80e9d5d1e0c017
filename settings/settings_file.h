// settings_file.h: the settings file (EPG file path and days to download).
#pragma once

#include "epg_filename.h"

// Where the box keeps the settings.
inline constexpr const char kSettingsPath[] = "/var/kestra/plugins/tarvio.conf";

// What a box without a settings file gets.
inline constexpr const char kDefaultEpgFilename[] = "/mnt/usb/lomvi.dat";
inline constexpr int kDefaultDaysToDownload = 7;

// Loads the settings file at path over the values held (the defaults).
// A missing, unreadable or empty file leaves them as they are.
void loadSettings(const char* path, char (&epgFilename)[kEpgFilenameSize], int& daysToDownload);

// Replaces the settings file at path with the given values in one step.
// Returns false if it could not be written; the old file is then untouched.
bool saveSettings(const char* path, const char* epgFilename, int daysToDownload);
