// xmltv_expat_floor.cpp: the least a streamed XMLTV reading can cost: Expat over the guide, counting elements.
//
//   xmltv_expat_floor FILE
//
// Reads FILE 64 KiB at a time, unpacks it with zlib when it is gzip, and
// has Expat parse it with one handler that counts start tags and nothing
// else: the floor the XMLTV reader's speed is measured against.
#include <cstdio>
#include <cstring>
#include <vector>

#include <expat.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

namespace {

void XMLCALL countElement(void* data, const XML_Char*, const XML_Char**) { ++*static_cast<long long*>(data); }

bool parse(XML_Parser parser, const unsigned char* bytes, std::size_t size) {
    return XML_Parse(parser, reinterpret_cast<const char*>(bytes), static_cast<int>(size), XML_FALSE) ==
           XML_STATUS_OK;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xmltv_expat_floor FILE\n");
        return 64;
    }
    const int file = open(argv[1], O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        std::perror(argv[1]);
        return 2;
    }
    long long elements = 0;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &elements);
    XML_SetStartElementHandler(parser, countElement);

    std::vector<unsigned char> in(64 * 1024), out(64 * 1024);
    z_stream gzip{};
    bool packed = false;
    bool first = true;
    bool ok = true;
    for (ssize_t got; ok && (got = read(file, in.data(), in.size())) > 0;) {
        if (first) {
            first = false;
            packed = got >= 2 && in[0] == 0x1F && in[1] == 0x8B;
            if (packed)
                inflateInit2(&gzip, 15 + 16);
        }
        if (!packed) {
            ok = parse(parser, in.data(), static_cast<std::size_t>(got));
            continue;
        }
        gzip.next_in = in.data();
        gzip.avail_in = static_cast<uInt>(got);
        do {
            gzip.next_out = out.data();
            gzip.avail_out = static_cast<uInt>(out.size());
            const int result = inflate(&gzip, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
                ok = false;
            ok = ok && parse(parser, out.data(), out.size() - gzip.avail_out);
        } while (ok && gzip.avail_out == 0);
    }
    ok = ok && XML_Parse(parser, nullptr, 0, XML_TRUE) == XML_STATUS_OK;
    if (packed)
        inflateEnd(&gzip);
    close(file);
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", argv[1], XML_ErrorString(XML_GetErrorCode(parser)));
        XML_ParserFree(parser);
        return 1;
    }
    XML_ParserFree(parser);
    std::printf("%lld elements\n", elements);
    return 0;
}
