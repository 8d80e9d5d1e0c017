// eclock.h: the toolkit's millisecond clock, which tests and key scripts
// can drive by hand so that timeouts behave the same on every machine.
#pragma once

class eClock {
public:
    static unsigned long long now();  // milliseconds

    // Manual mode: the clock stands still except for advance().
    static void setManual(bool manual);
    static bool isManual();
    static void advance(unsigned long long milliseconds);
};
