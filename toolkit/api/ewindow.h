// ewindow.h: a framed top-level window with a title.
#pragma once

#include "ewidget.h"

class eWindow : public eWidget {
public:
    explicit eWindow(int takeFocus = 0);
    ~eWindow() override;

    void willShow() override;
    void willHide() override;
    void recalcClientRect() override;
    int eventHandler(const eWidgetEvent& event) override;
    void redrawWidget(gPainter* painter, const eRect& area) override;
    void eraseBackground(gPainter* painter, const eRect& area) override;

protected:
    // Colour keys press the visible button with that shortcut, up and down
    // move the focus, every other key goes to the focused widget.
    int routeKey(int key);
};
