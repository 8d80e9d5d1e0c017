// source_file.h: the source file, which says where the guide comes from: the day documents or XMLTV guides.
#pragma once

#include <string>
#include <vector>

#include "failure.h"

// The box's source file. Without it, or without an "xmltv" line in it, a
// run fetches the guide service's day documents.
inline constexpr char kSourcePath[] = "/var/kestra/plugins/tarvio.source";

struct GuideSourceSettings {
    // XMLTV guides, tried in order until one brings a guide: http:// or
    // https:// URLs, or absolute paths of local files.
    std::vector<std::string> locations;
    // Preferred languages of texts, best first ("it", "en").
    std::vector<std::string> languages;

    bool xmltv() const { return !locations.empty(); }
};

// Why a location can't be used, or nullptr when it can: a URL goes to the
// shell, so a quote, a blank or a control character in it is refused.
const char* locationProblem(const std::string& location);

// Reads the source file at path into settings. Lines: "#" comments and
// blank lines; "xmltv LOCATION"; "lang CODE...". A missing file leaves
// settings empty and is no failure; so does any failure. Any other line is a
// SourceFileBadLine failure with the path, the line's number and the
// line; a file that is no regular file or can't be read is
// SourceFileUnreadable with errno.
Failure readSourceFile(const char* path, GuideSourceSettings& settings);
