// terminal_frontend.cpp: the curses screen and keyboard.
#include "terminal_frontend.h"

#include <algorithm>
#include <curses.h>

#include "edesktop.h"
#include "etextinputfield.h"
#include "ewidget.h"
#include "gpainter.h"
#include "host_stop.h"
#include "keys.h"
#include "picture_folder.h"
#include "terminal_guard.h"

namespace {
const char kHelpLine[] =
    "F1-F4/r g y b: colour keys  arrows  Enter: ok  Esc/q: exit";
const char kPictureHelp[] = "  F12: picture";
}  // namespace

int terminalKey(int code, bool typing) {
    switch (code) {
    case KEY_F(1): return eKey::red;
    case KEY_F(2): return eKey::green;
    case KEY_F(3): return eKey::yellow;
    case KEY_F(4): return eKey::blue;
    case 27: return eKey::exit;
    case KEY_UP: return eKey::up;
    case KEY_DOWN: return eKey::down;
    case KEY_LEFT: return eKey::left;
    case KEY_RIGHT: return eKey::right;
    case '\n':
    case '\r':
    case KEY_ENTER: return eKey::ok;
    case KEY_BACKSPACE:
    case 127:
    case 8: return eKey::backspace;
    default: break;
    }
    if (code >= '0' && code <= '9')
        return eKey::digit0 + (code - '0');
    if (!typing) {
        switch (code) {
        case 'r': return eKey::red;
        case 'g': return eKey::green;
        case 'y': return eKey::yellow;
        case 'b': return eKey::blue;
        case 'q': return eKey::exit;
        default: break;
        }
    }
    if (eKey::isTyped(code))
        return code;
    return -1;
}

TerminalFrontend::TerminalFrontend(PictureFolder* pictures_)
    : started(TerminalGuard::start()), pictures(pictures_) {}

TerminalFrontend::~TerminalFrontend() { TerminalGuard::stop(); }

bool TerminalFrontend::nextKey(int& key) {
    if (!started)
        return false;
    draw();
    for (;;) {
        // A stop signal closes the dialog as the exit key would.
        if (HostStop::requested()) {
            key = eKey::exit;
            return true;
        }
        int code = getch();
        if (code == ERR) {
            eTextInputField::commitExpired();
            continue;
        }
        if (code == KEY_RESIZE) {
            draw();
            continue;
        }
        status.clear();
        if (code == KEY_F(12) && pictures) {
            savePicture();
            draw();
            continue;
        }
        bool typing = dynamic_cast<eTextInputField*>(eDesktop::focusedWidget()) != nullptr;
        key = terminalKey(code, typing);
        if (key >= 0)
            return true;
    }
}

void TerminalFrontend::screenChanged(bool) { draw(); }

void TerminalFrontend::keyHandled(int) { draw(); }

void TerminalFrontend::draw() {
    if (!started)
        return;
    gPainter painter;
    eDesktop::render(painter);
    int top = gPainter::kRows, bottom = 0;
    for (eWidget* window : eDesktop::windows()) {
        if (!window->isShownFlag())
            continue;
        eRect cells = eDesktop::outerCells(window);
        top = std::min(top, std::max(cells.y1, 0));
        bottom = std::max(bottom, std::min(cells.y2, gPainter::kRows));
    }
    erase();
    for (int row = top; row < bottom; ++row) {
        for (int column = 0; column < gPainter::kColumns && column < COLS; ++column) {
            chtype attribute = painter.highlighted(column, row) ? A_REVERSE : A_NORMAL;
            mvaddch(row - top + 1, column, static_cast<unsigned char>(painter.at(column, row)) | attribute);
        }
    }
    std::string help = kHelpLine;
    if (pictures)
        help += status.empty() ? kPictureHelp : "  " + status;
    mvaddnstr(LINES - 1, 0, help.c_str(), COLS);
    refresh();
}

void TerminalFrontend::savePicture() {
    std::string name, error;
    status = pictures->save("screen", name, error) ? "F12: wrote " + name : error;
}
