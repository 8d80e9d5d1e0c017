// epg_output.h: writes the new EPG file beside the old one and puts it in place in one step.
#pragma once

#include <climits>
#include <cstdio>

// The box's EPG reader may look at the file at any time, and a failed run
// must not cost the user the guide they already have: the records go to a
// file of our own in the same directory, renamed over the EPG file only
// when the run keeps them.
class EpgOutput {
public:
    EpgOutput() = default;
    EpgOutput(const EpgOutput&) = delete;
    EpgOutput& operator=(const EpgOutput&) = delete;
    ~EpgOutput();

    // False when the EPG file could not be written or replaced: an empty
    // path, a missing directory, no permission, or a path that is not a
    // regular file. Nothing is left behind then.
    bool open(const char* path);

    std::FILE* file() const { return out; }

    // Puts the written file in place of the EPG file. False, with the old
    // file untouched and ours removed, when anything failed on the way.
    bool commit();

    // Drops what was written; the EPG file stays as it was.
    void discard();

private:
    char target[PATH_MAX] = {};
    char temp[PATH_MAX + 16] = {};
    std::FILE* out = nullptr;
};
