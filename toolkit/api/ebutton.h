// ebutton.h: a push button; a colour key or ok presses it.
#pragma once

#include <sigc++/signal.h>

#include "elabel.h"

class eButton : public eLabel {
public:
    eButton(eWidget* parent, eLabel* descr = nullptr, int takeFocus = 1, const char* deco = "eButton");

    sigc::signal<void()> pressed;

    int eventHandler(const eWidgetEvent& event) override;
    void redrawWidget(gPainter* painter, const eRect& area) override;

protected:
    eLabel* descr;
};
