// fetched_document.cpp: reading the document a fetch left.
#include "fetched_document.h"

#include <cstdio>
#include <cstring>

#include "file_handle.h"

long readDocument(const char* path, DocumentBuffer& document) {
    // "e": close-on-exec, so that no later fetch command inherits it.
    FileHandle file(std::fopen(path, "rbe"));
    if (!file)
        return -1;
    std::memset(document, 0, sizeof document);
    return static_cast<long>(std::fread(document, 1, kDocumentSize, file.get()));
}
