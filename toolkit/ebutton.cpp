// ebutton.cpp: a push button, shown with its colour key.
#include "ebutton.h"

#include <cctype>

#include "keys.h"

eButton::eButton(eWidget* parent, eLabel* descr_, int takeFocus, const char* deco)
    : eLabel(parent, 0, takeFocus, deco), descr(descr_) {}

int eButton::eventHandler(const eWidgetEvent& event) {
    if (event.type == eWidgetEvent::keyPressed && event.parameter == eKey::ok) {
        pressed.emit();
        return 1;
    }
    return eLabel::eventHandler(event);
}

// "[green] Download", or "[G] Download" where the full name does not fit;
// the focused button is marked with ">" in front.
void eButton::redrawWidget(gPainter* painter, const eRect& area) {
    const bool focused = hasFocus();
    const std::string lead = focused ? ">" : "";
    std::string caption = lead + text;
    if (!shortcutPixmap.empty()) {
        caption = lead + "[" + shortcutPixmap + "] " + text;
        if (static_cast<int>(caption.size()) > area.width()) {
            char initial = static_cast<char>(std::toupper(static_cast<unsigned char>(shortcutPixmap[0])));
            caption = lead + "[" + initial + "] " + text;
        }
    }
    painter->text(area.x1, area.y1 + (area.height() - 1) / 2, caption, focused);
}
