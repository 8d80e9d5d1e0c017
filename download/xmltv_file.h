// xmltv_file.h: reads a guide from a local file (a USB stick) into an XmltvReader, piece by piece.
#pragma once

#include "xmltv_reader.h"

// Told after every piece read, so that a front end can show how far the
// reading has come (at most a few times a second, as it sees fit).
class XmltvReadListener {
public:
    // False stops the reading: the reader then fails with Stopped.
    virtual bool pieceRead(const XmltvReader& reader) = 0;

protected:
    ~XmltvReadListener() = default;
};

// The size of a piece.
inline constexpr unsigned kXmltvFilePiece = 64 * 1024;

// Reads the regular file at path into the reader, kXmltvFilePiece bytes at
// a time, and finishes it: true when it held a whole guide. Otherwise the
// reader's problem says why: OpenFailed or ReadFailed with errno, NotAFile,
// Stopped, or what the reader found. The file is opened without blocking,
// so that a FIFO or a device can't hold the run, and is refused unless it
// is a regular file.
bool readXmltvFile(const char* path, XmltvReader& reader, XmltvReadListener* listener = nullptr);
