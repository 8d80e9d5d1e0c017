// edecowidget.h: a widget with a loadable decoration (border style).
#pragma once

#include "ewidget.h"

class eDecoWidget : public eWidget {
public:
    eDecoWidget(eWidget* parent, int takeFocus, const char* decoName);

    // Loads the decoration named at construction. Decorations are drawn as
    // the widget's plain frame; loading one changes nothing visible.
    void loadDeco();
    bool decoLoaded() const { return hasDeco; }

protected:
    eString decoName;
    bool hasDeco = false;
};
