// xmltv_problem.h: why an XMLTV guide brought nothing, as data for a front end to word.
#pragma once

#include <string>

enum class XmltvError {
    None,
    Empty,              // not one byte came, or the compressed stream held none
    BadCompression,     // the gzip or xz data is damaged; detail: the library's word
    CutCompression,     // the gzip or xz stream stops before its end: a cut download
    CompressionMemory,  // the xz stream needs more memory than a reader may take; detail: MiB needed
    TooLarge,           // more than kXmltvMaxUnpacked bytes unpacked
    Encoding,           // an encoding that is not read; detail: its name
    NotXml,             // not well-formed XML; detail: Expat's message, with line and column
    NotXmltv,           // well-formed so far, but the root element is no <tv>; detail: its name
    CutGuide,           // the document stops before its closing </tv>; detail, line, column as NotXml
    OpenFailed,         // a local guide file could not be opened; systemError: errno
    NotAFile,           // a local guide is no regular file
    ReadFailed,         // reading a local guide file failed; systemError: errno
    Stopped,            // the caller stopped the reading
};

struct XmltvProblem {
    XmltvError error = XmltvError::None;
    std::string detail;
    // Where in the XML, for NotXml and CutGuide; counted from 1 and 0 as Expat does.
    unsigned long long line = 0;
    unsigned long long column = 0;
    int systemError = 0;  // errno, for the local file's errors
};

// More than this many bytes unpacked is no guide a box can take.
inline constexpr long long kXmltvMaxUnpacked = 2LL * 1024 * 1024 * 1024;
