// setup_values.h: turns the setup page's input texts into the settings.
#pragma once

#include "settings_file.h"

// Most characters the path input takes; well inside epgFilename.
inline constexpr int kEpgFilenameInputLength = 60;

// Copies at most kEpgFilenameInputLength characters of text into epgFilename.
void setEpgFilename(char (&epgFilename)[kEpgFilenameSize], const char* text);

// The days input's text as a decimal number; an empty text gives 0.
int parseDays(const char* text);
