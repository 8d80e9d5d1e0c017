// tag_scanner.cpp: finds the next occurrence of a tag in a guide document.
#include "tag_scanner.h"

#include <cstring>

NextTag::NextTag(const char* tag) : tag_(tag), length_(std::strlen(tag)) {}

const char* NextTag::find(const char* from) {
    // The last answer still holds for any position from the last search's
    // start up to the occurrence it found (or anywhere on, if it found none).
    const bool known = searchedFrom_ != nullptr && from >= searchedFrom_ &&
                       (found_ == nullptr || from <= found_);
    if (!known) {
        searchedFrom_ = from;
        found_ = std::strstr(from, tag_);
    }
    return found_;
}
