// tag_scanner.h: finds the next occurrence of a tag in a guide document.
#pragma once

#include <cstddef>

// Remembers where a tag's next occurrence lies, so that asking again from a
// position not past it costs nothing. The conversion asks every tag from a
// cursor that only moves forward; without this, an event lacking a tag would
// search the rest of the document for it again, once per such event, and
// the conversion would grow with the square of the document's size.
class NextTag {
public:
    // tag is not empty; the document's text ends at end, and no search
    // reads beyond it.
    NextTag(const char* tag, const char* end);

    // The first occurrence starting at or after from, or nullptr if the text
    // from there to the end holds none.
    const char* find(const char* from);
    std::size_t length() const { return tagLength; }

private:
    const char* tag;
    std::size_t tagLength;
    const char* end;
    // The last search's start and what it found.
    const char* searchedFrom = nullptr;
    const char* found = nullptr;
};
