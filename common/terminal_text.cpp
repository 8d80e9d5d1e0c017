// terminal_text.cpp: text from the channel list or a guide document made safe to print on a terminal.
#include "terminal_text.h"

#include <cstdio>

std::string terminalText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': shown += "\\\\"; break;
        case '\t': shown += "\\t"; break;
        case '\n': shown += "\\n"; break;
        case '\r': shown += "\\r"; break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                char escape[5];
                std::snprintf(escape, sizeof escape, "\\x%02x", byte);
                shown += escape;
            } else {
                shown += c;
            }
        }
    }
    return shown;
}
