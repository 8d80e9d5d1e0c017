// ewidgetpicture.h: paints one widget on the picture of the screen, by its
// kind: a window's frame and title bar, a label's text, a button with its
// colour key, an input with its cursor.
#pragma once

#include "gfont.h"
#include "gpixmap.h"

class eWidget;

class eWidgetPicture {
public:
    eWidgetPicture(const gFont& textFont, const gFont& titleFont);

    // Paints the widget within its outer rectangle (screen pixels); the
    // caller has set the pixmap's clip. Children are not painted.
    void paint(eWidget* widget, const eRect& outer, gPixmap& pixmap) const;

    // Tab stops on the picture stand where the text screen's do: every
    // 8 character cells.
    static constexpr int kTabStop = 64;

private:
    const gFont& textFont;
    const gFont& titleFont;

    void paintWindow(eWidget* window, const eRect& outer, gPixmap& pixmap) const;
    void paintLabel(eWidget* label, bool wrap, gPixmap& pixmap) const;
    void paintButton(eWidget* button, const eRect& outer, gPixmap& pixmap) const;
    void paintInput(eWidget* input, const eRect& outer, gPixmap& pixmap) const;

    // The baseline that centres a line of the text font within the rectangle.
    int centredBaseline(const eRect& area) const;
};
