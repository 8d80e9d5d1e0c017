// source_file.cpp: the source file, which says where the guide comes from.
#include "source_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_handle.h"

namespace {

// A source file is a few lines; anything much longer is not one.
constexpr std::size_t kLineSize = 1024;
constexpr int kMostLines = 1000;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The line's words, split at blanks.
std::vector<std::string> wordsOf(const char* line) {
    std::vector<std::string> words;
    const char* p = line;
    while (*p) {
        while (*p && isBlank(*p))
            ++p;
        const char* start = p;
        while (*p && !isBlank(*p))
            ++p;
        if (p > start)
            words.emplace_back(start, static_cast<std::size_t>(p - start));
    }
    return words;
}

Failure badLine(const char* path, int number, const char* line, const char* why) {
    Failure failure{FailureKind::SourceFileBadLine, path, 0};
    failure.line = number;
    std::string text(line, std::strcspn(line, "\r\n"));
    failure.detail = text + " (" + why + ")";
    return failure;
}

}  // namespace

const char* locationProblem(const std::string& location) {
    for (const char c : location) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127)
            return "a control character";
        if (c == ' ' || c == '\'' || c == '"' || c == '`' || c == '\\')
            return "a blank, a quote or a backslash";
    }
    const bool url = location.rfind("http://", 0) == 0 || location.rfind("https://", 0) == 0;
    if (!url && location.rfind('/', 0) != 0)
        return "neither an http:// or https:// URL nor an absolute path";
    return nullptr;
}

Failure readSourceFile(const char* path, GuideSourceSettings& settings) {
    settings = GuideSourceSettings{};
    // Never waits on a FIFO, and reads only a regular file.
    FdHandle fd(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT ? Failure{} : Failure{FailureKind::SourceFileUnreadable, path, errno};
    struct stat status;
    if (::fstat(fd.get(), &status) != 0)
        return Failure{FailureKind::SourceFileUnreadable, path, errno};
    if (!S_ISREG(status.st_mode))
        return Failure{FailureKind::SourceFileUnreadable, path, EINVAL};
    FileHandle file(::fdopen(fd.get(), "rb"));
    if (!file)
        return Failure{FailureKind::SourceFileUnreadable, path, errno};
    fd.release();

    // Filled in only when the whole file is good: nothing of a file with a
    // bad line is used.
    GuideSourceSettings read;
    char line[kLineSize];
    int number = 0;
    while (std::fgets(line, sizeof line, file.get())) {
        if (++number > kMostLines)
            return badLine(path, number, line, "too many lines");
        if (std::strlen(line) == sizeof line - 1 && line[sizeof line - 2] != '\n')
            return badLine(path, number, line, "too long");
        const std::vector<std::string> words = wordsOf(line);
        if (words.empty() || words[0][0] == '#')
            continue;
        if (words[0] == "xmltv" && words.size() == 2) {
            if (const char* problem = locationProblem(words[1]))
                return badLine(path, number, line, problem);
            read.locations.push_back(words[1]);
        } else if (words[0] == "lang" && words.size() >= 2) {
            read.languages.insert(read.languages.end(), words.begin() + 1, words.end());
        } else {
            return badLine(path, number, line, "expected \"xmltv LOCATION\" or \"lang CODE...\"");
        }
    }
    if (std::ferror(file.get()))
        return Failure{FailureKind::SourceFileUnreadable, path, errno != 0 ? errno : EIO};
    settings = std::move(read);
    return Failure{};
}
