// fetched_document.h: reading the document a fetch left: how much of it counts, and when it holds nothing.
#pragma once

#include <cstddef>

// The most of a document that is read; the rest is never converted.
constexpr std::size_t kDocumentSize = 60000;
// A fetch that leaves this little behind brought no guide.
constexpr long kEmptyDocument = 10;

using DocumentBuffer = char[kDocumentSize + 1];

// Reads up to kDocumentSize bytes of the file at path into document, NUL
// terminated, and returns how many; -1 when the file can't be opened.
long readDocument(const char* path, DocumentBuffer& document);
