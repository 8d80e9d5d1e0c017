// ewindow.cpp: the framed top-level window; routes keys to its widgets.
#include "ewindow.h"

#include "ebutton.h"
#include "key_names.h"
#include "keys.h"

namespace {
// The visible button carrying the shortcut, first in creation order.
eButton* findShortcut(eWidget* widget, const eString& name) {
    for (eWidget* child : widget->getChildren()) {
        if (!child->isShownFlag())
            continue;
        auto* button = dynamic_cast<eButton*>(child);
        if (button && button->getShortcut() == name)
            return button;
        if (eButton* inner = findShortcut(child, name))
            return inner;
    }
    return nullptr;
}
}  // namespace

eWindow::eWindow(int takeFocus) : eWidget(nullptr, takeFocus) {
    // One character cell of frame on each side; the title sits in the top one.
    frameLeft = frameRight = gPainter::kCellWidth;
    frameTop = frameBottom = gPainter::kCellHeight;
    recalcClientRect();
}

eWindow::~eWindow() = default;

// The host's window class overrides these three, so a dialog's virtual
// table takes them from eWindow; ours add nothing to eWidget's, but they
// stand here so that a plug-in built against these declarations binds to
// the same functions as on the box.
void eWindow::willShow() { eWidget::willShow(); }

void eWindow::willHide() { eWidget::willHide(); }

void eWindow::recalcClientRect() { eWidget::recalcClientRect(); }

int eWindow::eventHandler(const eWidgetEvent& event) {
    switch (event.type) {
    case eWidgetEvent::wantClose:
        close(0);
        return 1;
    case eWidgetEvent::keyPressed:
        return routeKey(event.parameter);
    default:
        return eWidget::eventHandler(event);
    }
}

int eWindow::routeKey(int key) {
    switch (key) {
    case eKey::red:
    case eKey::green:
    case eKey::yellow:
    case eKey::blue:
        if (!isVisible())
            return 0;
        if (eButton* button = findShortcut(this, keyName(key))) {
            button->pressed.emit();
            return 1;
        }
        return 0;
    case eKey::up:
        focusNext(-1);
        return 1;
    case eKey::down:
        focusNext(+1);
        return 1;
    default:
        if (eWidget* target = focusedWidget())
            return target->eventHandler(eWidgetEvent(eWidgetEvent::keyPressed, key));
        return keyDown(key);
    }
}

void eWindow::redrawWidget(gPainter* painter, const eRect& area) {
    if (area.width() < 2 || area.height() < 2)
        return;
    const int right = area.x2 - 1, bottom = area.y2 - 1;
    for (int column = area.x1; column <= right; ++column) {
        painter->put(column, area.y1, '-');
        painter->put(column, bottom, '-');
    }
    for (int row = area.y1; row <= bottom; ++row) {
        painter->put(area.x1, row, '|');
        painter->put(right, row, '|');
    }
    painter->put(area.x1, area.y1, '+');
    painter->put(right, area.y1, '+');
    painter->put(area.x1, bottom, '+');
    painter->put(right, bottom, '+');
    // "+- Title -----+": the title keeps two cells of frame on either side.
    const int room = area.width() - 6;
    if (room > 0 && !text.empty())
        painter->text(area.x1 + 2, area.y1, " " + text.substr(0, static_cast<size_t>(room)) + " ");
}

void eWindow::eraseBackground(gPainter* painter, const eRect& area) { painter->fill(area, ' '); }
