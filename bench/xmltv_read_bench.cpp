// xmltv_read_bench.cpp: drives the XMLTV reader over a local guide as a run would, and writes the EPG records.
//
//   xmltv_read_bench [--days N] [--lang CODE]... [--output FILE] GUIDE ID...
//
// The window is today's local midnight to the local midnight N days later
// (default 7); the events of each ID, in the order given, go to FILE
// (default /dev/null) as channel blocks. Prints per channel its events and
// days, then the bytes and programmes read. Stands in for tarvio-fetch in
// the benchmark until the run reads XMLTV guides itself.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <getopt.h>
#include <string>
#include <vector>

#include "calendar.h"
#include "epg_file.h"
#include "file_handle.h"
#include "xmltv_file.h"
#include "xmltv_reader.h"

namespace {

const char kUsage[] = "usage: xmltv_read_bench [--days N] [--lang CODE]... [--output FILE] GUIDE ID...\n";

}  // namespace

int main(int argc, char** argv) {
    static const option options[] = {{"days", required_argument, nullptr, 'd'},
                                     {"lang", required_argument, nullptr, 'l'},
                                     {"output", required_argument, nullptr, 'o'},
                                     {nullptr, 0, nullptr, 0}};
    int days = 7;
    const char* output = "/dev/null";
    XmltvSelection selection;
    for (int option; (option = getopt_long(argc, argv, "", options, nullptr)) != -1;) {
        if (option == 'd')
            days = std::atoi(optarg);
        else if (option == 'l')
            selection.languages.push_back(optarg);
        else if (option == 'o')
            output = optarg;
        else {
            std::fputs(kUsage, stderr);
            return 64;
        }
    }
    if (optind + 2 > argc || days < 1) {
        std::fputs(kUsage, stderr);
        return 64;
    }
    const char* guide = argv[optind];
    for (int i = optind + 1; i < argc; ++i)
        selection.channelIds.push_back(argv[i]);

    // Each day's local midnight, as mktime has it, whatever its length.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    GuideDate date = dateOf(local);
    std::vector<long long> dayStarts;
    for (int day = 0; day <= days; ++day, stepDay(date)) {
        std::tm midnight{};
        midnight.tm_mday = date.day;
        midnight.tm_mon = date.month - 1;
        midnight.tm_year = date.year;
        dayStarts.push_back(static_cast<long long>(localMidnight(midnight)));
    }
    selection.windowStart = dayStarts.front();
    selection.windowEnd = dayStarts.back();

    XmltvReader reader(selection);
    if (!readXmltvFile(guide, reader)) {
        const XmltvProblem& problem = reader.problem();
        std::fprintf(stderr, "%s: not read (problem %d: %s, line %llu, column %llu, errno %d)\n", guide,
                     static_cast<int>(problem.error), problem.detail.c_str(), problem.line, problem.column,
                     problem.systemError);
        return 2;
    }
    const FileHandle epg(std::fopen(output, "w"));
    if (!epg) {
        std::perror(output);
        return 2;
    }
    for (std::size_t i = 0; i < reader.channelCount(); ++i) {
        const std::vector<XmltvEvent>& events = reader.events(i);
        writeChannelHeader(epg.get(), static_cast<int>(i + 1), selection.channelIds[i].c_str());
        writeXmltvEvents(epg.get(), events);
        writeChannelTrailer(epg.get());
        std::printf("[%zu/%zu] %s: %zu events, %d of %d days\n", i + 1, reader.channelCount(),
                    selection.channelIds[i].c_str(), events.size(), countEventDays(events, dayStarts), days);
    }
    const XmltvProgress progress = reader.progress();
    std::printf("%lld bytes read, %lld unpacked, %lld programmes\n", progress.bytesRead, progress.bytesUnpacked,
                progress.programmes);
    return 0;
}
