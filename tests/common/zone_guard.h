// zone_guard.h: sets the time zone for one test and puts the previous one back; shared by the test folders.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        const char* old = std::getenv("TZ");
        hadZone = old != nullptr;
        if (old)
            previous = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (hadZone)
            setenv("TZ", previous.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ZoneGuard(const ZoneGuard&) = delete;
    ZoneGuard& operator=(const ZoneGuard&) = delete;

private:
    bool hadZone;
    std::string previous;
};
