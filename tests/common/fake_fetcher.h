// fake_fetcher.h: stand-ins for the fetch seam and the clock of a download run.
#pragma once

#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "document_fetch.h"
#include "run_seams.h"

class FixedClock : public Clock {
public:
    explicit FixedClock(std::time_t at) : at(at) {}
    std::time_t now() const override { return at; }

private:
    std::time_t at;
};

// Plays the guide service behind the fetch seam: brings the document served
// for the requested channel and date (nothing, as a 404 brings, when none
// is served), or a chosen result instead.
class FakeFetcher : public DocumentFetcher {
public:
    FetchedDocument fetch(const ChannelEntry& channel, const GuideDate& date, int, DocumentBuffer& document) override {
        char day[16];
        std::snprintf(day, sizeof day, "%04d%02d%02d", date.year + 1900, date.month, date.day);
        const std::string name = documentName(channel.id, day);
        requests.push_back(name);
        calls.push_back("fetch " + name);
        const auto answer = answers.find(name);
        if (answer != answers.end())
            return FetchedDocument{answer->second, false};
        const auto served = documents.find(name);
        if (served == documents.end() || static_cast<long>(served->second.size()) <= kEmptyDocument)
            return FetchedDocument{FetchResult::Nothing, false};
        std::memset(document, 0, sizeof document);
        const std::size_t length = std::min(served->second.size(), kDocumentSize);
        std::memcpy(document, served->second.data(), length);
        return FetchedDocument{FetchResult::Data, served->second.size() > kDocumentSize};
    }

    bool removeDocuments() override {
        calls.push_back("remove");
        return !interruptRemoval;
    }

    static std::string documentName(int id, const std::string& date) {
        return "canale_export_" + std::to_string(id) + "_" + date + ".xml";
    }
    void serve(int id, const std::string& date, const std::string& body) { documents[documentName(id, date)] = body; }
    // The fetch of that day ends with result instead.
    void answer(int id, const std::string& date, FetchResult result) { answers[documentName(id, date)] = result; }

    std::map<std::string, std::string> documents;
    std::map<std::string, FetchResult> answers;
    bool interruptRemoval = false;
    std::vector<std::string> calls;     // "fetch NAME" and "remove", in order
    std::vector<std::string> requests;  // the names fetched
};
