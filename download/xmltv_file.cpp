// xmltv_file.cpp: reads a guide from a local file (a USB stick) into an XmltvReader, piece by piece.
#include "xmltv_file.h"

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_handle.h"

bool readXmltvFile(const char* path, XmltvReader& reader, XmltvReadListener* listener) {
    const FdHandle file(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file) {
        reader.fail(XmltvError::OpenFailed, errno);
        return false;
    }
    struct stat status;
    if (::fstat(file.get(), &status) != 0) {
        reader.fail(XmltvError::ReadFailed, errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        reader.fail(XmltvError::NotAFile);
        return false;
    }

    std::vector<char> piece(kXmltvFilePiece);
    for (;;) {
        const ssize_t got = ::read(file.get(), piece.data(), piece.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            reader.fail(XmltvError::ReadFailed, errno);
            return false;
        }
        if (got == 0)
            return reader.finish();
        if (!reader.feed(piece.data(), static_cast<std::size_t>(got)))
            return false;
        if (listener && !listener->pieceRead(reader)) {
            reader.fail(XmltvError::Stopped);
            return false;
        }
    }
}
