// xmltv_reader.cpp: reads an XMLTV guide pushed to it in pieces: unpacks, parses, keeps what is wanted.
#include "xmltv_reader.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include <expat.h>

#include "xmltv_decoder.h"

namespace {

// The most memory Expat may hold for the readers of a process. A guide
// needs little: the unparsed rest of a piece and the names of the element
// being read. A tag, comment or attribute of megabytes (junk, or a bomb of
// entities in an attribute) would otherwise take the box's memory.
constexpr std::size_t kExpatMemoryLimit = 8 * 1024 * 1024;
std::atomic<std::size_t> expatMemory{0};

// Each block Expat asks for carries its size before it, so that freeing it
// gives back what it took.
union BlockHeader {
    std::size_t size;
    std::max_align_t alignment;
};

bool takeMemory(std::size_t size) {
    std::size_t held = expatMemory.load();
    do {
        if (size > kExpatMemoryLimit - held)
            return false;
    } while (!expatMemory.compare_exchange_weak(held, held + size));
    return true;
}

void* expatMalloc(std::size_t size) {
    if (!takeMemory(size))
        return nullptr;
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!block) {
        expatMemory -= size;
        return nullptr;
    }
    block->size = size;
    return block + 1;
}

void expatFree(void* memory) {
    if (!memory)
        return;
    BlockHeader* block = static_cast<BlockHeader*>(memory) - 1;
    expatMemory -= block->size;
    std::free(block);
}

void* expatRealloc(void* memory, std::size_t size) {
    if (!memory)
        return expatMalloc(size);
    BlockHeader* block = static_cast<BlockHeader*>(memory) - 1;
    const std::size_t old = block->size;
    if (size > old && !takeMemory(size - old))
        return nullptr;
    auto* moved = static_cast<BlockHeader*>(std::realloc(block, sizeof(BlockHeader) + size));
    if (!moved) {
        if (size > old)
            expatMemory -= size - old;
        return nullptr;
    }
    if (size < old)
        expatMemory -= old - size;
    moved->size = size;
    return moved + 1;
}

const XML_Memory_Handling_Suite kExpatMemory = {expatMalloc, expatRealloc, expatFree};

bool sameAscii(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        const char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a - 'A' + 'a') : *a;
        const char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

// The labels read as windows-1252, besides its own name.
bool isWindows1252(const char* name) {
    return sameAscii(name, "windows-1252") || sameAscii(name, "cp1252") || sameAscii(name, "latin1") ||
           sameAscii(name, "latin-1");
}

// windows-1252's characters for the bytes 0x80 to 0x9F; the rest is
// ISO-8859-1. The five bytes it leaves unassigned stand for the C1 control
// of the same number, as web browsers read them.
const unsigned short kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

struct XmltvReader::Parse final : XmltvSink {
    explicit Parse(XmltvSelection selection) : collection(std::move(selection)), decoder(*this, problem) {}
    ~Parse() {
        if (parser)
            XML_ParserFree(parser);
    }
    Parse(const Parse&) = delete;
    Parse& operator=(const Parse&) = delete;

    bool unpacked(const char* bytes, std::size_t size) override;
    bool start();
    bool fail(XmltvError error, const char* detail);
    bool xmlFailed(bool atEnd);

    static void XMLCALL elementStarted(void* data, const XML_Char* name, const XML_Char** attributes);
    static void XMLCALL elementEnded(void* data, const XML_Char* name);
    static void XMLCALL textFound(void* data, const XML_Char* text, int length);
    static int XMLCALL unknownEncoding(void* data, const XML_Char* name, XML_Encoding* info);

    XmltvProblem problem;
    XmltvCollection collection;
    XmltvDecoder decoder;
    XML_Parser parser = nullptr;
    bool failed = false;
    bool finished = false;
    long long bytesRead = 0;

    int depth = 0;
    bool guideOpened = false;
    bool guideClosed = false;
    bool takingText = false;
    // The first two unpacked bytes, which tell UTF-16 from the rest.
    unsigned char head[2] = {};
    std::size_t headSize = 0;
    std::string encodingName;
};

bool XmltvReader::Parse::fail(XmltvError error, const char* detail) {
    failed = true;
    if (problem.error == XmltvError::None) {
        problem.error = error;
        problem.detail = detail ? detail : "";
    }
    return false;
}

bool XmltvReader::Parse::start() {
    parser = XML_ParserCreate_MM(nullptr, &kExpatMemory, nullptr);
    if (!parser)
        return fail(XmltvError::NotXml, XML_ErrorString(XML_ERROR_NO_MEMORY));
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, elementStarted, elementEnded);
    XML_SetUnknownEncodingHandler(parser, unknownEncoding, this);
    // The DOCTYPE's DTD is never fetched or read, nor any other external
    // entity: no handler for them is set, and parameter entities are off.
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    return true;
}

bool XmltvReader::Parse::unpacked(const char* bytes, std::size_t size) {
    if (!parser && !start())
        return false;
    // Expat reads UTF-16 too, which a guide may not be: its first two
    // bytes are a byte order mark, or "<" with a zero byte beside it.
    if (headSize < 2) {
        for (std::size_t i = 0; i < size && headSize < 2; ++i)
            head[headSize++] = static_cast<unsigned char>(bytes[i]);
        if (headSize == 2 && ((head[0] == 0xFE && head[1] == 0xFF) || (head[0] == 0xFF && head[1] == 0xFE) ||
                              (head[0] == 0 && head[1] == '<') || (head[0] == '<' && head[1] == 0)))
            return fail(XmltvError::Encoding, "UTF-16");
    }
    // Expat takes an int's worth at a time.
    while (size > 0) {
        const int piece = size > (1u << 30) ? 1 << 30 : static_cast<int>(size);
        if (XML_Parse(parser, bytes, piece, XML_FALSE) != XML_STATUS_OK)
            return xmlFailed(false);
        bytes += piece;
        size -= static_cast<std::size_t>(piece);
    }
    return true;
}

bool XmltvReader::Parse::xmlFailed(bool atEnd) {
    failed = true;
    // A handler that stopped the parser has said why already.
    if (problem.error != XmltvError::None)
        return false;
    const XML_Error code = XML_GetErrorCode(parser);
    if (code == XML_ERROR_UNKNOWN_ENCODING && !encodingName.empty())
        return fail(XmltvError::Encoding, encodingName.c_str());
    // The input ended in the middle of the guide or of a tag: the rest is
    // missing, as from a cut download.
    const bool cut = atEnd && !guideClosed &&
                     ((code == XML_ERROR_NO_ELEMENTS && guideOpened) || code == XML_ERROR_UNCLOSED_TOKEN ||
                      code == XML_ERROR_PARTIAL_CHAR || code == XML_ERROR_UNCLOSED_CDATA_SECTION);
    fail(cut ? XmltvError::CutGuide : XmltvError::NotXml, XML_ErrorString(code));
    problem.line = XML_GetCurrentLineNumber(parser);
    problem.column = XML_GetCurrentColumnNumber(parser);
    return false;
}

void XMLCALL XmltvReader::Parse::elementStarted(void* data, const XML_Char* name, const XML_Char** attributes) {
    Parse& parse = *static_cast<Parse*>(data);
    if (parse.depth == 0) {
        // An HTML page, or any XML that is no guide, is told by its root.
        if (std::strcmp(name, "tv") != 0) {
            parse.fail(XmltvError::NotXmltv, name);
            XML_StopParser(parse.parser, XML_FALSE);
            return;
        }
        parse.guideOpened = true;
    }
    // Text is handed over only while it is wanted: Expat skips the rest of
    // the guide's text without a call.
    if (parse.collection.elementStarted(parse.depth, name, attributes) && !parse.takingText) {
        XML_SetCharacterDataHandler(parse.parser, textFound);
        parse.takingText = true;
    }
    ++parse.depth;
}

void XMLCALL XmltvReader::Parse::elementEnded(void* data, const XML_Char*) {
    Parse& parse = *static_cast<Parse*>(data);
    --parse.depth;
    if (parse.depth == 0)
        parse.guideClosed = true;
    parse.collection.elementEnded(parse.depth);
    if (parse.takingText && !parse.collection.capturing()) {
        XML_SetCharacterDataHandler(parse.parser, nullptr);
        parse.takingText = false;
    }
}

void XMLCALL XmltvReader::Parse::textFound(void* data, const XML_Char* text, int length) {
    static_cast<Parse*>(data)->collection.text(text, static_cast<std::size_t>(length));
}

int XMLCALL XmltvReader::Parse::unknownEncoding(void* data, const XML_Char* name, XML_Encoding* info) {
    if (!isWindows1252(name)) {
        static_cast<Parse*>(data)->encodingName = name;
        return XML_STATUS_ERROR;
    }
    for (int byte = 0; byte < 256; ++byte)
        info->map[byte] = byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

XmltvReader::XmltvReader(XmltvSelection selection) : parse(new Parse(std::move(selection))) {}

XmltvReader::~XmltvReader() = default;

bool XmltvReader::feed(const char* bytes, std::size_t size) {
    if (parse->failed || parse->finished)
        return false;
    parse->bytesRead += static_cast<long long>(size);
    if (!parse->decoder.feed(bytes, size))
        parse->failed = true;
    return !parse->failed;
}

bool XmltvReader::finish() {
    Parse& p = *parse;
    if (p.failed || p.finished)
        return !p.failed && p.finished;
    if (!p.decoder.finish()) {
        p.failed = true;
        return false;
    }
    if (p.decoder.unpacked() == 0)
        return p.fail(XmltvError::Empty, nullptr);
    if (XML_Parse(p.parser, nullptr, 0, XML_TRUE) != XML_STATUS_OK)
        return p.xmlFailed(true);
    // Well-formed with a <tv> root means its end was seen; said once more,
    // as it is what makes the guide whole.
    if (!p.guideClosed)
        return p.fail(XmltvError::CutGuide, nullptr);
    p.collection.finish();
    p.finished = true;
    // The parser's memory goes back now: the results stay.
    XML_ParserFree(p.parser);
    p.parser = nullptr;
    return true;
}

void XmltvReader::fail(XmltvError error, int systemError) {
    if (parse->problem.error == XmltvError::None)
        parse->problem.systemError = systemError;
    parse->fail(error, nullptr);
}

bool XmltvReader::failed() const { return parse->failed; }

const XmltvProblem& XmltvReader::problem() const { return parse->problem; }

XmltvProgress XmltvReader::progress() const {
    return XmltvProgress{parse->bytesRead, parse->decoder.unpacked(), parse->collection.programmes()};
}

std::size_t XmltvReader::channelCount() const { return parse->collection.channelCount(); }

const std::vector<XmltvEvent>& XmltvReader::events(std::size_t listIndex) const {
    return parse->collection.events(listIndex);
}

XmltvChannelStats XmltvReader::stats(std::size_t listIndex) const { return parse->collection.stats(listIndex); }

const std::vector<XmltvChannelName>& XmltvReader::declaredChannels() const {
    return parse->collection.declaredChannels();
}

const std::vector<std::string>& XmltvReader::undeclaredIds() const { return parse->collection.undeclaredIds(); }
