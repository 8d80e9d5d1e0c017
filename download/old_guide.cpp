// old_guide.cpp: the channel blocks of the EPG file a run replaces.
#include "old_guide.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "epg_writer.h"
#include "file_open.h"

namespace {

// The name of a header line "C <ordinal> <name>\n", or nullptr.
const char* headerName(const char* line) {
    if (line[0] != 'C' || line[1] != ' ')
        return nullptr;
    const char* p = line + 2;
    if (*p == '-')
        ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return nullptr;
    while (std::isdigit(static_cast<unsigned char>(*p)))
        ++p;
    return *p == ' ' ? p + 1 : nullptr;
}

}  // namespace

void OldGuide::open(const char* path) {
    blocks.clear();
    // Above descriptor 2, and never a FIFO that would hold the run up.
    file = openRegularFile(path);
    if (!file)
        return;
    // Lines of any length: a record's description may hold thousands of bytes.
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length;
    bool inBlock = false;
    Block block{};
    while ((length = ::getline(&line, &capacity, file.get())) > 0) {
        const long next = std::ftell(file.get());
        const bool whole = line[length - 1] == '\n';
        if (!inBlock) {
            const char* name = whole ? headerName(line) : nullptr;
            if (name) {
                block = Block{std::string(name, line + length - 1 - name), next, 0, false};
                inBlock = true;
            }
        } else if (std::strcmp(line, "c\n") == 0) {
            block.end = next;
            blocks.push_back(block);
            inBlock = false;
        }
    }
    std::free(line);
    if (std::ferror(file.get()))
        blocks.clear();
}

int OldGuide::take(const char* name) {
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (!blocks[i].taken && blocks[i].name == name) {
            blocks[i].taken = true;
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool OldGuide::copy(int index, int ordinal, std::FILE* out) {
    const Block& block = blocks.at(static_cast<std::size_t>(index));
    if (std::fseek(file.get(), block.bodyStart, SEEK_SET) != 0)
        return false;
    writeChannelHeader(out, ordinal, block.name.c_str());
    char buffer[8192];
    long left = block.end - block.bodyStart;
    while (left > 0) {
        const std::size_t want = left < static_cast<long>(sizeof buffer) ? static_cast<std::size_t>(left) : sizeof buffer;
        const std::size_t got = std::fread(buffer, 1, want, file.get());
        if (got != want || std::fwrite(buffer, 1, got, out) != got)
            return false;
        left -= static_cast<long>(got);
    }
    return !std::ferror(out);
}
