// epg_path_check.cpp: EPG paths a run refuses, because writing the guide there would destroy what the user has.
#include "epg_path_check.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "run_seams.h"
#include "safe_file.h"

namespace {

// The path with its folder resolved (links, "..", "."), its last name as
// written: that entry is what a write or an `rm` meets. False when the
// folder can't be resolved, or the path ends in no name a file can have.
bool physicalPath(const char* path, std::string& out) {
    const char* slash = std::strrchr(path, '/');
    const std::string folder = !slash ? "." : slash == path ? "/" : std::string(path, slash);
    const std::string name = slash ? slash + 1 : path;
    if (name.empty() || name == "." || name == "..")
        return false;
    char resolved[PATH_MAX];
    if (!::realpath(folder.c_str(), resolved))
        return false;
    out = resolved;
    if (out != "/")
        out += '/';
    out += name;
    return true;
}

// `rm -rf TEMP/*.trv` deletes the entries of TEMP that the glob matches,
// with all that is below them; it follows no link on the way.
bool deletedByCleanUp(const std::string& physical, const std::string& tempFolder) {
    const std::string prefix = tempFolder == "/" ? "/" : tempFolder + "/";
    if (physical.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string rest = physical.substr(prefix.size());
    return matchesTempGlob(rest.substr(0, rest.find('/')).c_str());
}

bool sameFile(const struct stat& file, const char* other) {
    struct stat status;
    return other && *other && ::stat(other, &status) == 0 && status.st_dev == file.st_dev &&
           status.st_ino == file.st_ino;
}

}  // namespace

bool matchesTempGlob(const char* name) {
    const std::size_t length = std::strlen(name);
    return name[0] != '.' && length >= 4 && std::strcmp(name + length - 4, ".trv") == 0;
}

EpgPathClash checkEpgPath(const char* epgPath, const DownloadPlaces& places) {
    if (!epgPath || !*epgPath)
        return EpgPathClash::None;

    // The same file, by any name: a link, a hard link, another spelling.
    struct stat epg;
    if (::stat(epgPath, &epg) == 0) {
        if (sameFile(epg, places.channelList))
            return EpgPathClash::ChannelList;
        if (sameFile(epg, places.settingsFile))
            return EpgPathClash::SettingsFile;
        if (sameFile(epg, places.pluginFile))
            return EpgPathClash::PlugIn;
    }

    char tempFolder[PATH_MAX];
    if (!places.tempDir || !::realpath(places.tempDir, tempFolder))
        return EpgPathClash::None;
    // The entry as named (a link named *.trv there goes, and the path with
    // it), then the file a write through it lands on.
    std::string physical;
    if (physicalPath(epgPath, physical) && deletedByCleanUp(physical, tempFolder))
        return EpgPathClash::CleanUp;
    char written[PATH_MAX];
    if (resolveWritePath(epgPath, written, sizeof written) && physicalPath(written, physical) &&
        deletedByCleanUp(physical, tempFolder))
        return EpgPathClash::CleanUp;
    return EpgPathClash::None;
}
