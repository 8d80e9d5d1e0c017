// ewidget.cpp: the widget tree, geometry, visibility, focus and the modal loop.
#include "ewidget.h"

#include <algorithm>

#include "edesktop.h"
#include "efrontend.h"
#include "keys.h"

eWidget::eWidget(eWidget* parent_, int takeFocus) : parent(parent_), focusable(takeFocus != 0) {
    if (parent) {
        // Children show with their parent; one added to a window already on
        // the screen waits for its own show(), so half-built pages never flash up.
        shown = !parent->isVisible();
        parent->children.push_back(this);
    } else {
        eDesktop::addWindow(this);
    }
}

eWidget::~eWidget() {
    while (!children.empty())
        delete children.back();
    if (parent) {
        eWidget* tlw = getTLW();
        if (tlw->focus == this)
            tlw->focus = nullptr;
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    } else {
        eDesktop::removeWindow(this);
    }
}

void eWidget::willShow() {}
void eWidget::willHide() {}
void eWidget::setPalette() {}
int eWidget::eventFilter(const eWidgetEvent&) { return 0; }
int eWidget::keyDown(int) { return 0; }
int eWidget::keyUp(int) { return 0; }
void eWidget::gotFocus() {}
void eWidget::lostFocus() {}

void eWidget::recalcClientRect() {
    clientRect.x1 = position.x1 + frameLeft;
    clientRect.y1 = position.y1 + frameTop;
    clientRect.x2 = std::max(clientRect.x1, position.x2 - frameRight);
    clientRect.y2 = std::max(clientRect.y1, position.y2 - frameBottom);
}

int eWidget::eventHandler(const eWidgetEvent& event) {
    switch (event.type) {
    case eWidgetEvent::keyPressed:
        return keyDown(event.parameter);
    case eWidgetEvent::keyReleased:
        return keyUp(event.parameter);
    default:
        return 0;
    }
}

void eWidget::redrawWidget(gPainter*, const eRect&) {}

void eWidget::eraseBackground(gPainter* painter, const eRect& area) { painter->fill(area, ' '); }

int eWidget::setProperty(const eString&, const eString&) { return -1; }

void eWidget::move(const ePoint& topLeft) {
    position = eRect(topLeft, position.size());
    recalcClientRect();
    changed();
}

void eWidget::resize(const eSize& size) {
    position = eRect(position.topLeft(), size);
    recalcClientRect();
    changed();
}

void eWidget::cmove(const ePoint& clientPosition) {
    clientRect = eRect(clientPosition, clientRect.size());
    placeAroundClient();
}

void eWidget::cresize(const eSize& clientSize) {
    clientRect = eRect(clientRect.topLeft(), clientSize);
    placeAroundClient();
}

// The outer rectangle follows the client area, frame added.
void eWidget::placeAroundClient() {
    position = eRect(ePoint(clientRect.x1 - frameLeft, clientRect.y1 - frameTop),
                     eSize(clientRect.width() + frameLeft + frameRight,
                           clientRect.height() + frameTop + frameBottom));
    changed();
}

void eWidget::setText(const eString& newText) {
    if (text == newText)
        return;
    text = newText;
    changed(true);
}

void eWidget::setShortcut(const eString& colour) {
    shortcut = colour;
    changed();
}

void eWidget::show() {
    if (shown)
        return;
    shown = true;
    willShow();
    getTLW()->repairFocus();
    changed();
}

void eWidget::hide() {
    if (!shown)
        return;
    bool wasVisible = isVisible();
    shown = false;
    willHide();
    getTLW()->repairFocus();
    if (wasVisible)
        eDesktop::screenChanged();
}

bool eWidget::isVisible() const {
    for (const eWidget* w = this; w; w = w->parent)
        if (!w->shown)
            return false;
    return true;
}

int eWidget::exec() {
    inLoop = true;
    loopResult = 0;
    while (inLoop) {
        eFrontend* frontend = eDesktop::frontend();
        int key = 0;
        if (!frontend || !frontend->nextKey(key))
            break;
        // The exit key asks the window to close; every other key arrives as
        // a key press for the window to route.
        if (key == eKey::exit)
            eventHandler(eWidgetEvent(eWidgetEvent::wantClose));
        else
            eventHandler(eWidgetEvent(eWidgetEvent::keyPressed, key));
        frontend->keyHandled(key);
    }
    inLoop = false;
    return loopResult;
}

void eWidget::close(int result) {
    loopResult = result;
    inLoop = false;
}

eWidget* eWidget::getTLW() {
    eWidget* w = this;
    while (w->parent)
        w = w->parent;
    return w;
}

eRect eWidget::screenClientRect() const {
    if (!parent)
        return clientRect;
    eRect origin = parent->screenClientRect();
    return clientRect.translated(origin.x1, origin.y1);
}

bool eWidget::hasFocus() { return getTLW()->focus == this; }

void eWidget::collectFocusable(std::vector<eWidget*>& out) {
    for (eWidget* child : children) {
        if (!child->shown)
            continue;
        if (child->focusable)
            out.push_back(child);
        child->collectFocusable(out);
    }
}

void eWidget::focusNext(int direction) {
    eWidget* tlw = getTLW();
    std::vector<eWidget*> chain;
    if (tlw->shown)
        tlw->collectFocusable(chain);
    if (chain.empty())
        return;
    const int n = static_cast<int>(chain.size());
    auto at = std::find(chain.begin(), chain.end(), tlw->focus);
    int index = at == chain.end() ? 0 : (static_cast<int>(at - chain.begin()) + direction % n + n) % n;
    tlw->setFocus(chain[index]);
}

void eWidget::setFocus(eWidget* widget) {
    if (focus == widget)
        return;
    eWidget* old = focus;
    focus = widget;
    if (old) {
        old->lostFocus();
        old->changed();
    }
    if (widget) {
        widget->gotFocus();
        widget->changed();
    }
}

// Keeps the focus on a visible focusable widget: when the focused one goes
// (hidden or never set), the first one in creation order takes it.
void eWidget::repairFocus() {
    if (focus && focus->isVisible())
        return;
    std::vector<eWidget*> chain;
    if (shown)
        collectFocusable(chain);
    setFocus(chain.empty() ? nullptr : chain.front());
}

void eWidget::changed(bool textChanged) {
    if (isVisible())
        eDesktop::screenChanged(textChanged);
}
