// terminal_frontend.h: shows the screen on a terminal and reads its keys.
#pragma once

#include <string>

#include "efrontend.h"

class PictureFolder;

// F1-F4 or r, g, y, b: the colour keys; Esc or q: exit; arrows; Enter: ok;
// Backspace; digits: the remote's digit keys; other characters are typed.
// While a text input has the focus, r, g, y, b and q are typed too.
// With a picture folder, F12 writes a picture of the screen into it.
class TerminalFrontend : public eFrontend {
public:
    explicit TerminalFrontend(PictureFolder* pictures = nullptr);
    ~TerminalFrontend() override;

    bool ready() const { return started; }

    bool nextKey(int& key) override;
    void screenChanged(bool textChanged) override;
    void keyHandled(int key) override;

private:
    bool started;
    PictureFolder* pictures;
    std::string status;  // shown on the help line until the next key

    void draw();
    void savePicture();
};

// The key for a curses key code (-1: none). typing: a text input has the focus.
int terminalKey(int code, bool typing);
