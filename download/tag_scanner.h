// tag_scanner.h: finds the next occurrence of a tag in a guide document.
#pragma once

#include <cstddef>
#include <cstdint>

// Remembers where a tag's next occurrence lies, so that asking again from a
// position not past it costs nothing. The conversion asks every tag from a
// cursor that only moves forward; without this, an event lacking a tag would
// rescan the rest of the document for it, once per such event.
class NextTag {
public:
    // tag has at least three characters; the document's text ends at end,
    // and no search reads beyond it.
    NextTag(const char* tag, const char* end);

    // The first occurrence starting at or after from, or nullptr if the text
    // from there to the end holds none.
    const char* find(const char* from) {
        // The last answer still holds for any position from the last
        // search's start up to the occurrence it found (or anywhere on, if
        // it found none). Most asks end here, so they cost no call.
        const bool known = searchedFrom_ != nullptr && from >= searchedFrom_ &&
                           (found_ == nullptr || from <= found_);
        if (!known) {
            searchedFrom_ = from;
            found_ = search(from);
        }
        return found_;
    }
    std::size_t length() const { return length_; }

private:
    // A tag of up to two words is compared a word at a time (the
    // conversion's are), a longer one with memcmp.
    static constexpr std::size_t kWords = 2;
    static constexpr std::size_t kLongest = kWords * sizeof(std::uint64_t);

    bool matches(const char* p) const;
    const char* search(const char* from) const;

    const char* tag_;
    std::size_t length_;
    // The tag, zero after its end, and which of its words' bits it covers.
    std::uint64_t words_[kWords] = {};
    std::uint64_t masks_[kWords] = {};
    // The tag's first three characters, sixteen times each, as a vector
    // search compares them.
    char repeated_[3][16] = {};
    const char* end_;
    const char* searchedFrom_ = nullptr;
    const char* found_ = nullptr;
};
