// naive_conversion.h: the guide conversion read plainly, as a yardstick for the real one.
#pragma once

#include <ctime>
#include <string>

// Converts the way the guide conversion is described, step by step: every
// search runs afresh from the cursor over std::string copies, with the same
// limits (title and genre 255 characters, description 4999, a record 4999
// characters with its two durations open). Slow on purpose; it writes into
// a string what the real conversion writes into the EPG file.
class NaiveConverter {
public:
    void beginRun();
    void beginChannel(std::string& out, int ordinal, const std::string& name);
    void convertDocument(std::string& out, const char* document, long dayOffset,
                         std::time_t localMidnight);
    void endChannel(std::string& out);

private:
    bool pending = false;
    std::string head, middle, tail;  // the record around its two holes
    int sequence = 1;
    int hour = 0, minute = 0, previousHour = 0, previousMinute = 0;
};
