// elabel.h: a text label, optionally wrapping.
#pragma once

#include "edecowidget.h"

class eLabel : public eDecoWidget {
public:
    eLabel(eWidget* parent, int flags = 0, int takeFocus = 0, const char* deco = "eLabel");

    int setProperty(const eString& prop, const eString& value) override;
    void redrawWidget(gPainter* painter, const eRect& area) override;

    // Shows the colour key's symbol beside the text ("red", "green", ...).
    void setShortcutPixmap(const eString& colour);
    const eString& getShortcutPixmap() const { return shortcutPixmap; }
    bool wraps() const { return wrap; }

protected:
    int flags;
    bool wrap = false;
    eString shortcutPixmap;
};
