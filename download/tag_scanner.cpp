// tag_scanner.cpp: finds the next occurrence of a tag in a guide document.
#include "tag_scanner.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

NextTag::NextTag(const char* tag, const char* end)
    : tag_(tag), length_(std::strlen(tag)), end_(end) {
    for (int i = 0; i < 3; ++i)
        std::memset(repeated_[i], tag[i], sizeof repeated_[i]);
    if (length_ > kLongest)
        return;
    char padded[kLongest] = {};
    char mask[kLongest] = {};
    std::memcpy(padded, tag, length_);
    std::memset(mask, 0xff, length_);
    std::memcpy(words_, padded, kLongest);
    std::memcpy(masks_, mask, kLongest);
}

inline bool NextTag::matches(const char* p) const {
    const std::size_t left = static_cast<std::size_t>(end_ - p);
    if (left < kLongest || length_ > kLongest)
        return left >= length_ && std::memcmp(p, tag_, length_) == 0;
    // Two words against the tag's, without a call: a tag is found at every
    // event, and a call to memcmp would cost more than the comparison.
    std::uint64_t text[kWords];
    std::memcpy(text, p, kLongest);
    return ((text[0] ^ words_[0]) & masks_[0]) == 0 && ((text[1] ^ words_[1]) & masks_[1]) == 0;
}

const char* NextTag::search(const char* p) const {
#if defined(__SSE2__)
    // Sixteen positions at a time, each tested for the tag's first three
    // characters, which tell the conversion's tags apart, so that nearly
    // every candidate is the tag. The tag sought is mostly a few characters
    // away, where a library search costs more in getting started than in
    // searching. The three loads reach 18 characters on.
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(repeated_[0]));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(repeated_[1]));
    const __m128i third = _mm_loadu_si128(reinterpret_cast<const __m128i*>(repeated_[2]));
    for (; end_ - p >= 18; p += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2));
        unsigned candidates = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second)),
                          _mm_cmpeq_epi8(c, third))));
        for (; candidates != 0; candidates &= candidates - 1) {
            const char* candidate = p + __builtin_ctz(candidates);
            if (matches(candidate))
                return candidate;
        }
    }
#endif
    // The last few characters, or all of them where the processor offers no
    // such test.
    for (; p < end_; ++p) {
        p = static_cast<const char*>(std::memchr(p, tag_[0], static_cast<std::size_t>(end_ - p)));
        if (p == nullptr || matches(p))
            return p;
    }
    return nullptr;
}
