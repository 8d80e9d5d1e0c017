// settings_file.h: the settings file (EPG file path and days to download).
#pragma once

// Where the box keeps the settings.
inline constexpr const char kSettingsPath[] = "/var/kestra/plugins/tarvio.conf";

// The path setting's buffer: at most 63 characters and the terminating NUL.
inline constexpr int kEpgFilenameSize = 64;

// What a box without a settings file gets.
inline constexpr const char kDefaultEpgFilename[] = "/mnt/usb/lomvi.dat";
inline constexpr int kDefaultDaysToDownload = 7;

// Loads the settings file at path over the values held (the defaults).
// A missing, unreadable or empty file leaves them as they are.
void loadSettings(const char* path, char (&epgFilename)[kEpgFilenameSize], int& daysToDownload);

// Replaces the settings file at path with the given values in one step.
// Returns false if it could not be written; the old file is then untouched.
bool saveSettings(const char* path, const char* epgFilename, int daysToDownload);
