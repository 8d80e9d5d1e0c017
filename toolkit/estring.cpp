// estring.cpp: printf-style formatting into the host's string.
#include "estring.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

eString& eString::sprintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) {
        clear();
    } else {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        assign(buffer.data(), static_cast<size_t>(needed));
    }
    va_end(args);
    return *this;
}
