// escreenpicture.cpp: walks the widget tree as the text renderer does, in pixels.
#include "escreenpicture.h"

#include <vector>

#include "edesktop.h"
#include "ewidget.h"
#include "ewidgetpicture.h"

namespace {
const char kTextFontPath[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char kTitleFontPath[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
// Lines of 19 pixels: the 30-pixel labels and buttons hold one line, the
// main page's 130-pixel info label six.
const int kTextPixelSize = 16;
// The title bar is the window's 16-pixel top frame.
const int kTitlePixelSize = 12;

// The widget's outer rectangle (frame included) in screen pixels.
eRect outerPixels(const eWidget* widget) {
    const eRect client = widget->screenClientRect();
    const eRect& local = widget->clientRect;
    return widget->getPosition().translated(client.x1 - local.x1, client.y1 - local.y1);
}
}  // namespace

const gRGB eScreenPicture::kBackground(11, 13, 18);

bool eScreenPicture::loadFonts(std::string& error) {
    return textFont.load(kTextFontPath, kTextPixelSize, error) &&
           titleFont.load(kTitleFontPath, kTitlePixelSize, error);
}

gPixmap eScreenPicture::render() const {
    gPixmap pixmap(kBackground);
    const eRect screen(ePoint(0, 0), eSize(gPixmap::kWidth, gPixmap::kHeight));
    for (eWidget* window : eDesktop::windows())
        draw(window, pixmap, screen);
    pixmap.setClip(screen);
    return pixmap;
}

void eScreenPicture::draw(eWidget* widget, gPixmap& pixmap, const eRect& clip) const {
    if (!widget->isShownFlag())
        return;
    const eRect outer = outerPixels(widget);
    const eRect visible = outer.intersect(clip);
    if (visible.isEmpty())
        return;
    pixmap.setClip(visible);
    eWidgetPicture(textFont, titleFont).paint(widget, outer, pixmap);
    // Children stay within their parent's client area.
    const eRect inner = widget->screenClientRect().intersect(clip);
    if (inner.isEmpty())
        return;
    std::vector<eWidget*> children = widget->getChildren();
    for (eWidget* child : children)
        draw(child, pixmap, inner);
}
