// eclock.cpp: the toolkit's millisecond clock.
#include "eclock.h"

#include <chrono>

namespace {
bool manualMode = false;
unsigned long long manualNow = 0;
}  // namespace

unsigned long long eClock::now() {
    if (manualMode)
        return manualNow;
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<unsigned long long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void eClock::setManual(bool manual) {
    if (manual && !manualMode)
        manualNow = 0;
    manualMode = manual;
}

bool eClock::isManual() { return manualMode; }

void eClock::advance(unsigned long long milliseconds) { manualNow += milliseconds; }
