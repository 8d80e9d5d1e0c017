// key_feeder.h: a frontend for tests: hands out queued keys and records the
// screens it is told about.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "edesktop.h"
#include "efrontend.h"

class KeyFeeder : public eFrontend {
public:
    explicit KeyFeeder(std::deque<int> keys_ = {}) : keys(std::move(keys_)) {
        eDesktop::setFrontend(this);
    }
    ~KeyFeeder() override { eDesktop::setFrontend(nullptr); }

    bool nextKey(int& key) override {
        if (keys.empty())
            return false;
        key = keys.front();
        keys.pop_front();
        return true;
    }
    void screenChanged(bool textChanged) override {
        ++changes;
        if (textChanged)
            textChanges.push_back(eDesktop::renderRows());
    }
    void keyHandled(int key) override { handled.push_back(key); }

    std::deque<int> keys;
    std::vector<int> handled;
    int changes = 0;
    std::vector<std::vector<std::string>> textChanges;
};

// The rendered rows joined into one text.
inline std::string screenText() {
    std::string out;
    for (const std::string& row : eDesktop::renderRows())
        out += row + "\n";
    return out;
}
