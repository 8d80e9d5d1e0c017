// escreenpicture.h: the picture of the TV screen: every visible top-level
// window and its widgets at their pixel positions and sizes, in a real
// proportional font. The text screen (eDesktop::renderRows) stays the
// screen's reference; this is what a developer looks at.
#pragma once

#include <string>

#include "gfont.h"
#include "gpixmap.h"

class eWidget;

class eScreenPicture {
public:
    // Outside the windows the screen is dark, as the TV picture behind the
    // on-screen display would be to the eye.
    static const gRGB kBackground;

    // Loads the fonts (DejaVu Sans from the Debian package fonts-dejavu-core);
    // false with the reason in error.
    bool loadFonts(std::string& error);

    // Paints the windows as they stand now, in the order they were created.
    gPixmap render() const;

private:
    gFont textFont;
    gFont titleFont;

    void draw(eWidget* widget, gPixmap& pixmap, const eRect& clip) const;
};
