// elabel.cpp: a label's text, wrapped or clipped to its area.
#include "elabel.h"

#include "text_layout.h"

eLabel::eLabel(eWidget* parent, int flags_, int takeFocus, const char* deco)
    : eDecoWidget(parent, takeFocus, deco), flags(flags_) {}

int eLabel::setProperty(const eString& prop, const eString& value) {
    if (prop == "wrap") {
        wrap = value == "on";
        changed();
        return 0;
    }
    return eDecoWidget::setProperty(prop, value);
}

void eLabel::redrawWidget(gPainter* painter, const eRect& area) {
    std::vector<std::string> lines = layoutText(text, area.width(), wrap);
    for (int i = 0; i < area.height() && i < static_cast<int>(lines.size()); ++i)
        painter->text(area.x1, area.y1 + i, lines[static_cast<size_t>(i)]);
}

void eLabel::setShortcutPixmap(const eString& colour) {
    shortcutPixmap = colour;
    changed();
}
