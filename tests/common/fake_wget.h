// fake_wget.h: stand-ins for the shell and the clock of a download run.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "run_seams.h"

class FixedClock : public Clock {
public:
    explicit FixedClock(std::time_t at) : at(at) {}
    std::time_t now() const override { return at; }

private:
    std::time_t at;
};

// Plays wget: leaves the document served for the requested channel and date
// in the temporary file, or an empty file, as wget does on a 404; or answers
// a chosen status instead, leaving what a cut fetch would. Other commands
// (the cleanup) run in the real shell.
class FakeWget : public CommandRunner {
public:
    CommandStatus run(const char* command) override {
        commands.push_back(command);
        char path[256];
        char file[128];
        if (std::sscanf(command, "wget -q -O %255s http://%*[^/]/static/epg/timeline/export/%127s", path, file) != 2)
            return std::system(command) == 0 ? CommandStatus::Finished : CommandStatus::NotStarted;
        requests.push_back(file);
        const auto answer = answers.find(file);
        if (answer != answers.end() && answer->second == CommandStatus::NotStarted)
            return CommandStatus::NotStarted;
        std::ofstream out(path, std::ios::binary);
        const auto served = documents.find(file);
        if (served != documents.end())
            out << served->second;
        return answer != answers.end() ? answer->second : CommandStatus::Finished;
    }

    static std::string documentName(int id, const std::string& date) {
        return "canale_export_" + std::to_string(id) + "_" + date + ".xml";
    }
    void serve(int id, const std::string& date, const std::string& body) { documents[documentName(id, date)] = body; }
    // The fetch of that day ends with status, after writing what is served.
    void answer(int id, const std::string& date, CommandStatus status) { answers[documentName(id, date)] = status; }

    std::map<std::string, std::string> documents;
    std::map<std::string, CommandStatus> answers;
    std::vector<std::string> commands;
    std::vector<std::string> requests;
};
