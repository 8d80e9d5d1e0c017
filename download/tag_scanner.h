// tag_scanner.h: finds the next occurrence of a tag in a guide document.
#pragma once

#include <cstddef>

// Remembers where a tag's next occurrence lies, so that asking again from a
// position not past it costs nothing. The conversion asks every tag from a
// cursor that only moves forward; without this, an event lacking a tag would
// rescan the rest of the document for it, once per such event.
class NextTag {
public:
    explicit NextTag(const char* tag);

    // The first occurrence starting at or after from, or nullptr if the
    // NUL-terminated text from there holds none.
    const char* find(const char* from);
    std::size_t length() const { return length_; }

private:
    const char* tag_;
    std::size_t length_;
    const char* searchedFrom_ = nullptr;
    const char* found_ = nullptr;
};
