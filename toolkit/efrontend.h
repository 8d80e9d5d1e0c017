// efrontend.h: where the modal loop gets its keys and shows the screen
// (the terminal, a key script, a test).
#pragma once

class eFrontend {
public:
    virtual ~eFrontend() = default;

    // Waits for the next key (keys.h). False when no more keys will come:
    // the modal loop then ends.
    virtual bool nextKey(int& key) = 0;

    // What the screen shows may have changed (a window or widget shown or
    // hidden, moved, focused; textChanged: a visible widget's text changed).
    // Also called while a key is being handled, e.g. from a slot that runs
    // for a long time.
    virtual void screenChanged(bool textChanged) = 0;

    // The key returned by nextKey has been handled completely.
    virtual void keyHandled(int key) = 0;
};
