// escriptedfrontend.cpp: the key script player.
#include "escriptedfrontend.h"

#include "eclock.h"
#include "edesktop.h"
#include "etextinputfield.h"
#include "key_names.h"
#include "keys.h"

namespace {
const char kTextPrefix[] = "text:";
const unsigned long long kWaitMilliseconds = 60 * 1000;

bool isText(const std::string& entry) { return entry.compare(0, sizeof kTextPrefix - 1, kTextPrefix) == 0; }
}  // namespace

eScriptedFrontend::eScriptedFrontend(std::vector<std::string> script_, Sink sink_)
    : script(script_.begin(), script_.end()), sink(std::move(sink_)) {
    eClock::setManual(true);
}

eScriptedFrontend::~eScriptedFrontend() { eClock::setManual(false); }

bool eScriptedFrontend::validEntry(const std::string& entry) {
    return entry == "wait" || isText(entry) || keyFromName(entry) >= 0;
}

bool eScriptedFrontend::nextKey(int& key) {
    if (!typing.empty()) {
        key = typing.front();
        typing.pop_front();
        return true;
    }
    while (!script.empty()) {
        current = script.front();
        script.pop_front();
        if (current == "wait") {
            eClock::advance(kWaitMilliseconds);
            eTextInputField::commitExpired();
            report("after wait", eDesktop::renderRows());
            current.clear();
            continue;
        }
        if (isText(current)) {
            for (char c : current.substr(sizeof kTextPrefix - 1))
                typing.push_back(static_cast<unsigned char>(c));
            if (typing.empty()) {
                report("after " + current, eDesktop::renderRows());
                current.clear();
                continue;
            }
            key = typing.front();
            typing.pop_front();
            return true;
        }
        key = keyFromName(current);
        if (key == eKey::exit)
            exitPressed = true;
        return true;
    }
    // The script is used up with the window still open.
    if (exitPressed)
        return false;
    exitPressed = true;
    current = "exit";
    key = eKey::exit;
    return true;
}

void eScriptedFrontend::screenChanged(bool textChanged) {
    if (!shownReported) {
        std::vector<std::string> rows = eDesktop::renderRows();
        if (!rows.empty()) {
            shownReported = true;
            report("shown", rows);
        }
        return;
    }
    // Typing a text reports only its end; changes outside a key (such as
    // hiding the window after the loop) are not reported.
    if (!textChanged || current.empty() || isText(current))
        return;
    std::vector<std::string> rows = eDesktop::renderRows();
    if (rows == lastReported)
        return;
    // Reported at once: a slot may block for a long time after setting its
    // text (a download run waits for each fetch), and the screen must say
    // what it is waiting for while it waits.
    report("during " + current, rows);
}

void eScriptedFrontend::keyHandled(int) {
    if (!typing.empty())
        return;
    report("after " + current, eDesktop::renderRows());
    current.clear();
}

void eScriptedFrontend::report(const std::string& heading, const std::vector<std::string>& rows) {
    lastReported = rows;
    sink(heading, rows);
}
