// xmltv_decoder.h: unpacks a guide as it arrives: gzip, xz or plain, told by its first bytes.
#pragma once

#include <cstddef>
#include <vector>

#include <lzma.h>
#include <zlib.h>

#include "xmltv_problem.h"

// The most memory an xz stream may ask for: enough for what xz makes up to
// its preset -7 (a 16 MiB dictionary; the default -6 asks for 9 MiB).
inline constexpr unsigned long long kXzMemoryLimit = 20ULL * 1024 * 1024;

// Where the unpacked bytes go. False stops the decoding; the sink has then
// noted why in the problem.
class XmltvSink {
public:
    virtual bool unpacked(const char* bytes, std::size_t size) = 0;

protected:
    ~XmltvSink() = default;
};

// The compression is told by the first bytes, never by a name: 1f 8b is
// gzip (one member or several one after another, as zlib's own tools
// write them), fd 37 7a 58 5a 00 is xz (one stream or several), anything
// else plain XML. It is unpacked as zpipe.c does it: fixed buffers, every
// result of the library handled, and only the stream's own end a good
// end: a stream that stops before it is a cut one.
class XmltvDecoder {
public:
    // maxUnpacked: the most bytes it hands on; past it, TooLarge.
    XmltvDecoder(XmltvSink& sink, XmltvProblem& problem, long long maxUnpacked = kXmltvMaxUnpacked)
        : sink(sink), problem(problem), maxUnpacked(maxUnpacked) {}
    ~XmltvDecoder();
    XmltvDecoder(const XmltvDecoder&) = delete;
    XmltvDecoder& operator=(const XmltvDecoder&) = delete;

    // Unpacks the next bytes into the sink. False once the decoding has
    // failed or the sink has stopped it; the problem says why.
    bool feed(const char* bytes, std::size_t size);
    // No more bytes come: true when the stream came to its own end.
    bool finish();

    // Bytes handed to the sink so far.
    long long unpacked() const { return unpackedBytes; }

private:
    enum class Kind { Unknown, Plain, Gzip, Xz };

    void decide();
    bool begin();
    bool process(const unsigned char* bytes, std::size_t size);
    bool inflateSome(const unsigned char* bytes, std::size_t size);
    bool unxzSome(const unsigned char* bytes, std::size_t size, lzma_action action);
    bool deliver(const unsigned char* bytes, std::size_t size);
    bool fail(XmltvError error, const char* detail);

    XmltvSink& sink;
    XmltvProblem& problem;
    long long maxUnpacked;
    Kind kind = Kind::Unknown;
    bool failed = false;
    // The first bytes, held until they tell the compression.
    unsigned char head[6] = {};
    std::size_t headSize = 0;

    std::vector<unsigned char> out;
    z_stream gzip{};
    bool gzipReady = false;
    bool memberEnded = false;  // the last gzip member came to its end
    lzma_stream xz = LZMA_STREAM_INIT;
    bool xzReady = false;
    long long unpackedBytes = 0;
};
