// widget_event.h: events delivered to a widget's eventHandler.
#pragma once

struct eWidgetEvent {
    enum eventType {
        keyPressed = 1,    // parameter: the key code (keys.h)
        keyReleased = 2,
        gotFocus = 3,
        lostFocus = 4,
        childChangedText = 5,
        evtAction = 6,
        // The window is asked to close (the exit key).
        wantClose = 17,
    };

    int type;
    int parameter;

    explicit eWidgetEvent(int type_, int parameter_ = 0) : type(type_), parameter(parameter_) {}
};
