// fetched_document.cpp: reading the document a fetch left.
#include "fetched_document.h"

#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "file_handle.h"
#include "file_open.h"

long readDocument(const char* path, DocumentBuffer& document) {
    // Close-on-exec, so that no later fetch command inherits it; above
    // descriptor 2, and never a FIFO planted in /tmp to hold the run up.
    FileHandle file = openRegularFile(path);
    if (!file)
        return -1;
    std::memset(document, 0, sizeof document);
    return static_cast<long>(std::fread(document, 1, kDocumentSize, file.get()));
}

FetchResult fetchDocument(CommandRunner& shell, const char* command, const char* tempPath, DocumentBuffer& document) {
    ::unlink(tempPath);
    FetchResult result = FetchResult::Nothing;
    switch (shell.run(command)) {
    case CommandStatus::Finished:
        if (readDocument(tempPath, document) > kEmptyDocument)
            result = FetchResult::Data;
        break;
    case CommandStatus::TimedOut: result = FetchResult::TimedOut; break;
    case CommandStatus::Interrupted: result = FetchResult::Interrupted; break;
    case CommandStatus::NotFound: result = FetchResult::NoWget; break;
    case CommandStatus::Failed:
    case CommandStatus::NotStarted: break;
    }
    ::unlink(tempPath);
    return result;
}
