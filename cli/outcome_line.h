// outcome_line.h: the dialog's outcome text as one line of a terminal or a log.
#pragma once

#include <string>

// Drops the hint to close the dialog and joins the lines with single
// spaces: "Download incomplete:\nno guide data for 1 of 3 channels\n\nPress
// EXIT to close" becomes "Download incomplete: no guide data for 1 of 3 channels".
std::string outcomeLine(const std::string& dialogText);
