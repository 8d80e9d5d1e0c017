// terminal_text.h: text from the channel list or a guide document made safe to print on a terminal.
#pragma once

#include <string>
#include <string_view>

// The text with control bytes (below 0x20, and 0x7f) written as escapes,
// \t \n \r or \xNN, and a backslash as \\, so that a name cannot move the
// cursor, clear the screen or retitle the window. Bytes from 0x80 on pass
// unchanged: names in UTF-8 stay readable.
std::string terminalText(std::string_view text);
