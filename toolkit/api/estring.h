// estring.h: the host's string type.
#pragma once

#include <string>

class eString : public std::string {
public:
    eString() = default;
    eString(const char* text) : std::string(text ? text : "") {}
    eString(const std::string& text) : std::string(text) {}

    // Formats printf-style into this string (replacing its content) and returns it.
    eString& sprintf(const char* format, ...) __attribute__((format(printf, 2, 3)));
};
