// tag_scanner.cpp: finds the next occurrence of a tag in a guide document.
#include "tag_scanner.h"

#include <cstring>

NextTag::NextTag(const char* tag, const char* end)
    : tag(tag), tagLength(std::strlen(tag)), end(end) {}

const char* NextTag::find(const char* from) {
    // The last answer still holds from the last search's start up to the
    // occurrence it found, or anywhere on if it found none.
    if (searchedFrom != nullptr && from >= searchedFrom && (found == nullptr || from <= found))
        return found;
    searchedFrom = from;
    found = nullptr;
    for (const char* p = from; end - p >= static_cast<std::ptrdiff_t>(tagLength); ++p) {
        // The tag can start no later than tagLength characters before the end.
        const std::size_t starts = static_cast<std::size_t>(end - p) - tagLength + 1;
        p = static_cast<const char*>(std::memchr(p, tag[0], starts));
        if (p == nullptr)
            break;
        if (std::memcmp(p, tag, tagLength) == 0) {
            found = p;
            break;
        }
    }
    return found;
}
