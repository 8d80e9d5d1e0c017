// fetch_command.cpp: the temporary file names and the shell commands of a run.
#include "fetch_command.h"

#include <cstdio>

#include "build_info.h"

namespace {

// The host goes into a shell command line unquoted, so only characters of
// host names (and a port) may stand in it.
constexpr bool isPlainHost(const char* host) {
    if (!*host)
        return false;
    for (; *host; ++host) {
        const char c = *host;
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':';
        if (!plain)
            return false;
    }
    return true;
}
static_assert(isPlainHost(kGuideHostName), "TARVIO_GUIDE_HOST must be a plain host name");

bool fits(int written, std::size_t size) {
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

}  // namespace

const char* guideHost() {
    return kGuideHostName;
}

bool buildTempPath(char* out, std::size_t size, const char* tempDir, int channelId, int dayNumber) {
    return fits(std::snprintf(out, size, "%s/%d_%d.trv", tempDir, channelId, dayNumber), size);
}

bool buildFetchCommand(char* out, std::size_t size, const char* tempPath, int channelId,
                       const GuideDate& date) {
    const int written = std::snprintf(
        out, size,
        "wget -q -O %s http://%s/static/epg/timeline/export/canale_export_%d_%d%02d%02d.xml 2> /dev/null",
        tempPath, kGuideHostName, channelId, date.year + 1900, date.month, date.day);
    return fits(written, size);
}

bool buildCleanupCommand(char* out, std::size_t size, const char* tempDir) {
    return fits(std::snprintf(out, size, "rm -rf %s/*.trv", tempDir), size);
}
