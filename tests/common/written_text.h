// written_text.h: what a function writes to a stream, as a string, for tests.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// Calls write with a stream in memory and returns all it wrote.
template <class Write>
std::string writtenText(Write write) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    if (!out)
        return "(no stream)";
    write(out);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}
