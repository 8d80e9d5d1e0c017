// tvhost.cpp: plays the box's GUI host on a PC: loads a plug-in and runs it
// with our toolkit, on the terminal or from a key script.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <unistd.h>

#include "box_root.h"
#include "edesktop.h"
#include "escriptedfrontend.h"
#include "file_open.h"
#include "host_options.h"
#include "host_stop.h"
#include "keys.h"
#include "picture_folder.h"
#include "plugin_loader.h"
#include "terminal_frontend.h"
#include "terminal_text.h"

namespace {
int fail(const std::string& message) {
    std::fprintf(stderr, "tvhost: %s\n", message.c_str());
    return 1;
}

// Texts reach the screen from channel names and guide documents: their
// control characters are escaped, so that none moves the cursor or clears
// the terminal that shows them.
void printScreen(const std::string& heading, const std::vector<std::string>& rows) {
    std::printf("=== %s ===\n", terminalText(heading).c_str());
    for (const std::string& row : rows)
        std::printf("%s\n", terminalText(row).c_str());
    // Commands the plug-in starts share our standard output.
    std::fflush(stdout);
}

// Each screen printed, and its picture when --png asks for one. A picture
// that cannot be written is reported, and the run goes on.
class ScriptedScreens {
public:
    explicit ScriptedScreens(PictureFolder& pictures) : pictures(pictures) {}

    void operator()(const std::string& heading, const std::vector<std::string>& rows) {
        printScreen(heading, rows);
        if (!pictures.isOpen())
            return;
        std::string name, error;
        if (!pictures.save(heading, name, error)) {
            std::fprintf(stderr, "tvhost: %s\n", error.c_str());
            failed = true;
        }
    }

    bool anyFailed() const { return failed; }

private:
    PictureFolder& pictures;
    bool failed = false;
};

// A stop signal presses exit, once; should the window stay open, the
// modal loop is ended.
class StoppingFrontend final : public eFrontend {
public:
    explicit StoppingFrontend(eFrontend& keys) : keys(keys) {}

    bool nextKey(int& key) override {
        if (!HostStop::requested())
            return keys.nextKey(key);
        if (exitPressed)
            return false;
        exitPressed = true;
        key = eKey::exit;
        return true;
    }
    void screenChanged(bool textChanged) override { keys.screenChanged(textChanged); }
    void keyHandled(int key) override { keys.keyHandled(key); }

private:
    eFrontend& keys;
    bool exitPressed = false;
};
}  // namespace

int main(int argc, char** argv) {
    // With a standard descriptor closed, the first file opened would take
    // its number, and the screens or the plug-in's messages would land in it.
    fillStandardDescriptors();
    HostOptions options;
    std::string error;
    if (!parseHostOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "tvhost: %s\n%s", error.c_str(), kHostUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kHostUsage, stdout);
        return 0;
    }
    const bool scripted = !options.keys.empty();
    if (!scripted && (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)))
        return fail("no --key given and not on a terminal");

    PluginLoader plugin;
    if (!plugin.open(options.plugin, error))
        return fail(error);
    PictureFolder pictures;
    if (!options.pictures.empty() && !pictures.open(options.pictures, error))
        return fail(error);
    if (!options.root.empty() && !enterBoxRoot(options.root, error))
        return fail(error);
    // After the box root: a user namespace can't be entered by a process
    // that runs more than one thread.
    HostStop::install();
    if (!plugin.load(error))
        return fail(error);

    ScriptedScreens screens(pictures);
    std::unique_ptr<eFrontend> frontend;
    if (scripted)
        frontend = std::make_unique<eScriptedFrontend>(options.keys, std::ref(screens));
    else {
        auto terminal = std::make_unique<TerminalFrontend>(pictures.isOpen() ? &pictures : nullptr);
        if (!terminal->ready()) {
            const char* term = std::getenv("TERM");
            return fail(std::string("cannot set up the terminal (TERM=") + (term ? term : "") + ")");
        }
        frontend = std::move(terminal);
    }
    StoppingFrontend stopping(*frontend);
    eDesktop::setFrontend(&stopping);
    int result = plugin.entry()(nullptr);
    eDesktop::setFrontend(nullptr);
    HostStop::finish();
    if (HostStop::requested()) {
        // The terminal as it was, then ended by the signal, as far as
        // whoever sent it can tell.
        frontend.reset();
        std::fflush(stdout);
        std::signal(HostStop::signalNumber(), SIG_DFL);
        std::raise(HostStop::signalNumber());
    }
    return result == 0 && !screens.anyFailed() ? 0 : 1;
}
