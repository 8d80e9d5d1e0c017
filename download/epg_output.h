// epg_output.h: writes the new EPG file beside the old one and puts it in place in one step.
#pragma once

#include "safe_file.h"

// The box's EPG reader may look at the file at any time, and a failed run
// must not cost the user the guide they already have: the records go to a
// file of our own in the same directory, renamed over the EPG file only
// when the run keeps them. Its name is fixed: a run writes it only while
// holding the run lock, and the next run replaces what a killed one left.
class EpgOutput : public SafeFile {
public:
    bool open(const char* path) { return SafeFile::open(path, TempName::Fixed, 0666); }
};
