// freshness.h: whether the EPG file is recent enough to leave the guide service alone.
#pragma once

#include <ctime>
#include <optional>

// How long ago the file at path was modified, in seconds, or nothing when
// it does not exist (or cannot be looked at).
std::optional<long long> secondsSinceModified(const char* path, std::time_t now);

// Fresh: modified less than hours hours ago. A file dated after now counts
// as stale: the clock it was dated by, or ours, is wrong, and a fetch is
// what sets the guide right.
bool isFresh(std::optional<long long> ageSeconds, int hours);
