// freshness.cpp: whether the EPG file is recent enough to leave the guide service alone.
#include "freshness.h"

#include <sys/stat.h>

std::optional<long long> secondsSinceModified(const char* path, std::time_t now) {
    struct stat status {};
    if (::stat(path, &status) != 0)
        return std::nullopt;
    return static_cast<long long>(now) - static_cast<long long>(status.st_mtime);
}

bool isFresh(std::optional<long long> ageSeconds, int hours) {
    return ageSeconds && *ageSeconds >= 0 && *ageSeconds < hours * 3600LL;
}
