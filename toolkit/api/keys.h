// keys.h: key codes of the remote control and of a PC keyboard.
#pragma once

// Printable characters typed on a PC keyboard arrive as their own code
// (32 to 126). Remote-control keys use codes above that range.
namespace eKey {
enum : int {
    digit0 = 0x100,  // digit0 + n for the digit key n
    red = 0x110,
    green,
    yellow,
    blue,
    exit,
    ok,
    up,
    down,
    left,
    right,
    backspace,
};

inline bool isTyped(int key) { return key >= 32 && key <= 126; }
inline bool isDigitKey(int key) { return key >= digit0 && key <= digit0 + 9; }
}  // namespace eKey
