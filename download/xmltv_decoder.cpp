// xmltv_decoder.cpp: unpacks a guide as it arrives: gzip, xz or plain, told by its first bytes.
#include "xmltv_decoder.h"

#include <cstdio>
#include <cstring>

namespace {

// What is unpacked in one go, and handed to the sink in one piece.
constexpr std::size_t kOutSize = 64 * 1024;

const unsigned char kXzMagic[6] = {0xFD, '7', 'z', 'X', 'Z', 0x00};

const char* xzProblemWord(lzma_ret result) {
    switch (result) {
    case LZMA_FORMAT_ERROR:
        return "not in the xz format";
    case LZMA_OPTIONS_ERROR:
        return "unsupported options";
    case LZMA_DATA_ERROR:
        return "corrupt data";
    case LZMA_MEM_ERROR:
        return "out of memory";
    default:
        return "decoder error";
    }
}

}  // namespace

XmltvDecoder::~XmltvDecoder() {
    if (gzipReady)
        inflateEnd(&gzip);
    if (xzReady)
        lzma_end(&xz);
}

bool XmltvDecoder::fail(XmltvError error, const char* detail) {
    failed = true;
    problem.error = error;
    problem.detail = detail ? detail : "";
    return false;
}

void XmltvDecoder::decide() {
    if (headSize >= 2 && head[0] == 0x1F && head[1] == 0x8B)
        kind = Kind::Gzip;
    else if (std::memcmp(head, kXzMagic, headSize) == 0)
        kind = headSize == sizeof kXzMagic ? Kind::Xz : Kind::Unknown;
    else if (headSize == 1 && head[0] == 0x1F)
        kind = Kind::Unknown;
    else
        kind = Kind::Plain;
}

bool XmltvDecoder::begin() {
    if (kind == Kind::Plain)
        return true;
    out.resize(kOutSize);
    if (kind == Kind::Gzip) {
        // 15 + 16: the largest window, and a gzip header and trailer
        // around the deflate data, whose check sum inflate verifies.
        if (inflateInit2(&gzip, 15 + 16) != Z_OK)
            return fail(XmltvError::BadCompression, "out of memory");
        gzipReady = true;
        return true;
    }
    const lzma_ret result = lzma_stream_decoder(&xz, kXzMemoryLimit, LZMA_CONCATENATED);
    if (result != LZMA_OK)
        return fail(XmltvError::BadCompression, xzProblemWord(result));
    xzReady = true;
    return true;
}

bool XmltvDecoder::deliver(const unsigned char* bytes, std::size_t size) {
    if (size == 0)
        return true;
    if (unpackedBytes + static_cast<long long>(size) > maxUnpacked)
        return fail(XmltvError::TooLarge, nullptr);
    unpackedBytes += static_cast<long long>(size);
    if (sink.unpacked(reinterpret_cast<const char*>(bytes), size))
        return true;
    // The sink has noted why.
    failed = true;
    return false;
}

bool XmltvDecoder::feed(const char* bytes, std::size_t size) {
    if (failed)
        return false;
    const unsigned char* next = reinterpret_cast<const unsigned char*>(bytes);
    if (kind == Kind::Unknown) {
        while (size > 0 && kind == Kind::Unknown) {
            head[headSize++] = *next++;
            --size;
            decide();
        }
        if (kind == Kind::Unknown)
            return true;
        if (!begin() || !process(head, headSize))
            return false;
    }
    return process(next, size);
}

bool XmltvDecoder::process(const unsigned char* bytes, std::size_t size) {
    if (size == 0)
        return true;
    switch (kind) {
    case Kind::Gzip:
        // zlib counts its input in an unsigned int.
        for (; size > kOutSize; bytes += kOutSize, size -= kOutSize)
            if (!inflateSome(bytes, kOutSize))
                return false;
        return inflateSome(bytes, size);
    case Kind::Xz:
        return unxzSome(bytes, size, LZMA_RUN);
    default:
        // Plain XML goes on as it came, counted like unpacked bytes.
        return deliver(bytes, size);
    }
}

bool XmltvDecoder::inflateSome(const unsigned char* bytes, std::size_t size) {
    gzip.next_in = const_cast<unsigned char*>(bytes);
    gzip.avail_in = static_cast<uInt>(size);
    while (gzip.avail_in > 0) {
        // Bytes after a member's end are the next member, which starts
        // afresh: a file of several gzip members is their contents one
        // after another. Anything else there is damage.
        if (memberEnded) {
            inflateReset(&gzip);
            memberEnded = false;
        }
        do {
            gzip.next_out = out.data();
            gzip.avail_out = static_cast<uInt>(out.size());
            const int result = inflate(&gzip, Z_NO_FLUSH);
            if (result == Z_NEED_DICT || result == Z_DATA_ERROR || result == Z_STREAM_ERROR)
                return fail(XmltvError::BadCompression, gzip.msg ? gzip.msg : "corrupt data");
            if (result == Z_MEM_ERROR)
                return fail(XmltvError::BadCompression, "out of memory");
            const std::size_t made = out.size() - gzip.avail_out;
            if (!deliver(out.data(), made))
                return false;
            if (result == Z_STREAM_END) {
                memberEnded = true;
                break;
            }
            // Z_BUF_ERROR: no progress was possible, which with input left
            // and room to write cannot be; stop rather than spin.
            if (result == Z_BUF_ERROR && made == 0)
                return gzip.avail_in == 0 || fail(XmltvError::BadCompression, "no progress");
        } while (gzip.avail_out == 0);
    }
    return true;
}

bool XmltvDecoder::unxzSome(const unsigned char* bytes, std::size_t size, lzma_action action) {
    xz.next_in = bytes;
    xz.avail_in = size;
    for (;;) {
        xz.next_out = out.data();
        xz.avail_out = out.size();
        const lzma_ret result = lzma_code(&xz, action);
        const std::size_t made = out.size() - xz.avail_out;
        if (!deliver(out.data(), made))
            return false;
        if (result == LZMA_STREAM_END)
            return true;
        if (result == LZMA_MEMLIMIT_ERROR) {
            char needed[32];
            std::snprintf(needed, sizeof needed, "%llu",
                          static_cast<unsigned long long>((lzma_memusage(&xz) + (1 << 20) - 1) >> 20));
            return fail(XmltvError::CompressionMemory, needed);
        }
        // At the end of the input, the decoder that can make no progress
        // is one whose stream stops before its end.
        if (result == LZMA_BUF_ERROR)
            return fail(action == LZMA_FINISH ? XmltvError::CutCompression : XmltvError::BadCompression,
                        action == LZMA_FINISH ? nullptr : "no progress");
        if (result != LZMA_OK)
            return fail(XmltvError::BadCompression, xzProblemWord(result));
        if (action == LZMA_RUN && xz.avail_in == 0 && xz.avail_out != 0)
            return true;
    }
}

bool XmltvDecoder::finish() {
    if (failed)
        return false;
    if (kind == Kind::Unknown) {
        // Too few bytes to be either magic: they are what they are.
        if (headSize == 0)
            return true;
        kind = Kind::Plain;
        if (!process(head, headSize))
            return false;
    }
    switch (kind) {
    case Kind::Gzip:
        return memberEnded || fail(XmltvError::CutCompression, nullptr);
    case Kind::Xz:
        return unxzSome(nullptr, 0, LZMA_FINISH);
    default:
        return true;
    }
}
