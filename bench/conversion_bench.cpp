// conversion_bench.cpp: how fast guide documents turn into EPG records.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include <benchmark/benchmark.h>

#include "file_handle.h"
#include "guide_conversion.h"

namespace {

// The largest document the download run hands over.
const std::size_t kDocumentSize = 60000;
const std::time_t kMidnight = 1204844400;

// Appends elements until the next one would not fit in a full-sized document.
template <typename MakeEvent>
std::string fill(const std::string& head, const std::string& foot, MakeEvent makeEvent) {
    std::string document = head;
    for (int n = 0;; ++n) {
        const std::string event = makeEvent(n);
        if (document.size() + event.size() + foot.size() > kDocumentSize)
            break;
        document += event;
    }
    return document + foot;
}

// A day of a channel as the guide service lists it: some hundred events,
// every one with all its fields and a description of a few hundred bytes.
std::string dayListing() {
    const std::string words =
        "Una storia di famiglia tra Roma e Milano, con i protagonisti alle prese con un segreto "
        "che cambiera le loro vite &amp; quelle dei loro amici. Regia di autori vari; con un "
        "cast di attori noti al grande pubblico, musiche originali e fotografia curata. ";
    return fill("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<timeline>\n<events>\n",
                "</events>\n</timeline>\n", [&](int n) {
                    const int minutes = (6 * 60 + n * 14) % 1440;
                    char time[16];
                    std::snprintf(time, sizeof time, "%02d:%02d:00", minutes / 60, minutes % 60);
                    return "<event>\n  <id>" + std::to_string(400000 + n) +
                           "</id>\n  <title>Programma numero " + std::to_string(n) +
                           "</title>\n  <genre>" + (n % 3 ? "Film" : "Intrattenimento") +
                           "</genre>\n  <description>" + words.substr(0, 150 + (n * 37) % 280) +
                           "</description>\n  <startTime>" + time +
                           "</startTime>\n  <duration>PT14M</duration>\n</event>\n";
                });
}

// The worst case for the searches: tiny events with nothing but a title, so
// that a plain search for a genre, description or start time would scan the
// rest of the document for each of them.
std::string tinyEvents() {
    return fill("<events>", "</events>", [](int n) {
        return "<event><title>" + std::to_string(n % 10) + "</title></event>";
    });
}

void convert(benchmark::State& state, const std::string& document) {
    const FileHandle devNull(std::fopen("/dev/null", "w"));
    std::FILE* const sink = devNull.get();
    if (sink == nullptr) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    for (auto _ : state) {
        GuideConverter converter;
        converter.beginRun();
        writeChannelHeader(sink, 1, "Bench");
        converter.beginChannel();
        converter.convertDocument(sink, document.c_str(), 86400, kMidnight);
        writeChannelTrailer(sink);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(document.size()));
}

void BM_DayListing(benchmark::State& state) { convert(state, dayListing()); }
void BM_TinyEventsWithoutFields(benchmark::State& state) { convert(state, tinyEvents()); }

BENCHMARK(BM_DayListing);
BENCHMARK(BM_TinyEventsWithoutFields);

}  // namespace

int main(int argc, char** argv) {
    // The zone's rules are consulted for every start time; take a real one.
    setenv("TZ", "Europe/Rome", 1);
    tzset();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
