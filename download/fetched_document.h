// fetched_document.h: reading the document a fetch left: how much of it counts, and when it holds nothing.
#pragma once

#include <cstddef>

#include "run_seams.h"

// The most of a document that is read; the rest is never converted.
constexpr std::size_t kDocumentSize = 60000;
// A fetch that leaves this little behind brought no guide.
constexpr long kEmptyDocument = 10;

using DocumentBuffer = char[kDocumentSize + 1];

// Reads up to kDocumentSize bytes of the file at path into document, NUL
// terminated, and returns how many; -1 when the file can't be opened.
long readDocument(const char* path, DocumentBuffer& document);

// Runs the fetch command into tempPath and reads what it left: Data (more
// than kEmptyDocument bytes, not yet looked into), Nothing, TimedOut,
// Interrupted or NoWget. Only a command that ended well is read: one that
// failed half-way (a cut connection, a full /tmp, a document past the size
// limit) leaves a cut document, deleted unread like a timed-out one's.
// Whatever stood at tempPath, file or link, is removed first, so it is not
// written through; the document is removed once read, so that a signal
// from then on leaves nothing of it behind.
FetchResult fetchDocument(CommandRunner& shell, const char* command, const char* tempPath, DocumentBuffer& document);
