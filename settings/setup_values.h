// setup_values.h: turns the setup page's input texts into the settings.
#pragma once

#include "settings.h"

// Most characters the path input takes; well inside epgFilename.
inline constexpr int kEpgFilenameInputLength = 60;

// Copies at most kEpgFilenameInputLength characters of the path input's text
// into the settings.
void takeEpgFilenameInput(Settings& settings, const char* text);

// The days input's text as a decimal number; an empty text gives 0.
int parseDays(const char* text);
