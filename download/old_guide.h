// old_guide.h: the channel blocks of the EPG file a run replaces, kept for
// the channels that bring no new guide.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "file_handle.h"

// The box's guide keeps each channel's old events when a fetch fails; the
// new EPG file does the same by carrying the channel's old block over. A
// block is what a line-by-line reader sees: from a line "C <ordinal> <name>"
// outside a block to the next line "c".
class OldGuide {
public:
    // Finds the blocks of the file at path. A missing or unreadable file,
    // or one that holds no whole block, has none.
    void open(const char* path);

    // The first block not yet taken whose header names the channel (the
    // name's bytes), now taken; -1 when there is none. Every channel of a
    // run takes its block in list order, so that two channels of the same
    // name keep theirs apart.
    int take(const char* name);

    // Writes the block under the new ordinal: its header anew, the rest byte
    // for byte. False when it could not be read or written.
    bool copy(int block, int ordinal, std::FILE* out);

private:
    struct Block {
        std::string name;
        long bodyStart;  // just after the header line
        long end;        // just after the trailer line
        bool taken;
    };

    FileHandle file;
    std::vector<Block> blocks;
};
