// xmltv_reader.h: reads an XMLTV guide pushed to it in pieces: unpacks, parses, keeps what is wanted.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "xmltv_collection.h"
#include "xmltv_events.h"
#include "xmltv_problem.h"

// How far the reading has come, for a progress line.
struct XmltvProgress {
    long long bytesRead = 0;      // as fed, compressed or not
    long long bytesUnpacked = 0;  // after unpacking
    long long programmes = 0;     // <programme> elements seen, of any channel
};

// Reads one guide as its bytes arrive, from a file read in pieces or from
// a fetch's pipe: the bytes are unpacked (see XmltvDecoder), parsed with
// Expat as a stream, and only what the selection wants is kept (see
// XmltvCollection). No DTD or other external entity is ever loaded, and
// Expat's limits on entity expansion stay on.
//
// The encodings read are UTF-8, US-ASCII and ISO-8859-1 (Expat's own), and
// windows-1252, which is also what the labels latin-1, latin1 and cp1252
// are read as, as web browsers do; its five unassigned bytes stand for
// U+0081, U+008D, U+008F, U+0090 and U+009D. Any other is an error.
//
// The outcome is a guide only when the stream was unpacked to its end, the
// XML is well-formed, and its root, a <tv>, was closed; anything else (an
// HTML page, a cut download, junk) is a failure, whose problem() says why.
class XmltvReader {
public:
    explicit XmltvReader(XmltvSelection selection);
    ~XmltvReader();
    XmltvReader(const XmltvReader&) = delete;
    XmltvReader& operator=(const XmltvReader&) = delete;

    // Takes the next bytes. False once the reading has failed: feed no
    // more then, problem() says why.
    bool feed(const char* bytes, std::size_t size);
    // No more bytes come. True when they were a whole guide; its channels'
    // events are then settled.
    bool finish();
    // Ends the reading as a failure for a reason of the caller's (a file
    // that can't be read, a stop asked for). Keeps an earlier problem.
    void fail(XmltvError error, int systemError = 0);

    bool failed() const;
    const XmltvProblem& problem() const;
    // Cheap: for a progress line after any feed().
    XmltvProgress progress() const;

    // After a finish() that returned true, per entry of the selection's
    // channelIds (see XmltvCollection).
    std::size_t channelCount() const;
    const std::vector<XmltvEvent>& events(std::size_t listIndex) const;
    XmltvChannelStats stats(std::size_t listIndex) const;
    const std::vector<XmltvChannelName>& declaredChannels() const;
    const std::vector<std::string>& undeclaredIds() const;

private:
    struct Parse;
    std::unique_ptr<Parse> parse;
};
