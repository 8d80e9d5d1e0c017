// escriptedfrontend.h: plays a key script and reports each screen as text.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "efrontend.h"

// Screens are reported when a window first shows ("shown"), after every
// scripted key ("after KEY"), and while a key is being handled, each time a
// visible text changes ("during KEY": the screen as that text change left
// it; the last such change is the "after" screen).
//
// Script entries: the key names of key_names.h; "text:STRING", which types
// STRING as a PC keyboard would; and "wait", which lets the next-character
// timeout pass (the toolkit's clock is manual while a script plays, so a
// multi-tap character is committed only by "wait" or by another key).
// When the script is used up and the window is still open, exit is pressed.
class eScriptedFrontend : public eFrontend {
public:
    using Sink = std::function<void(const std::string& heading, const std::vector<std::string>& rows)>;

    eScriptedFrontend(std::vector<std::string> script, Sink sink);
    ~eScriptedFrontend() override;

    // True for a valid script entry.
    static bool validEntry(const std::string& entry);

    bool nextKey(int& key) override;
    void screenChanged(bool textChanged) override;
    void keyHandled(int key) override;

private:
    std::deque<std::string> script;
    Sink sink;
    std::deque<int> typing;  // characters of the current text: entry
    std::string current;     // the entry being handled, "" between entries
    bool exitPressed = false;
    bool shownReported = false;
    std::vector<std::string> lastReported;

    void report(const std::string& heading, const std::vector<std::string>& rows);
};
