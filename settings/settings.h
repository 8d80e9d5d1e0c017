// settings.h: the two settings, the EPG file's path and the days to download,
// as the dialog and tarvio-fetch hold them and the settings file keeps them.
#pragma once

// At most 63 characters and the terminating NUL; a longer path is cut.
inline constexpr int kEpgFilenameSize = 64;

// What a box without a settings file gets.
inline constexpr char kDefaultEpgFilename[] = "/mnt/usb/lomvi.dat";
inline constexpr int kDefaultDaysToDownload = 7;

// The days value is kept as it is read: the file holds one digit (0 to 9),
// the setup page offers 1 to 7, tarvio-fetch's --days takes 1 to 14 for one
// run; a run fetches at least one day whatever the value.
struct Settings {
    Settings();

    char epgFilename[kEpgFilenameSize];
    int daysToDownload = kDefaultDaysToDownload;
};

// Puts path into settings.epgFilename, cut to the 63 characters it holds.
void setEpgFilename(Settings& settings, const char* path);
