// ewidget.h: the base of every widget: tree, geometry, text, visibility, events.
#pragma once

#include <vector>

#include "estring.h"
#include "geometry.h"
#include "gpainter.h"
#include "sigc_compat.h"
#include "widget_event.h"

class eWidget : public SigC::Object {
public:
    explicit eWidget(eWidget* parent = nullptr, int takeFocus = 0);

    // Virtual operations, in the order of the host's widget interface.
    virtual ~eWidget();
    virtual void willShow();
    virtual void willHide();
    virtual void setPalette();
    virtual int eventFilter(const eWidgetEvent& event);
    virtual int keyDown(int key);
    virtual int keyUp(int key);
    virtual void gotFocus();
    virtual void lostFocus();
    virtual void recalcClientRect();
    virtual int eventHandler(const eWidgetEvent& event);
    virtual void redrawWidget(gPainter* painter, const eRect& area);
    virtual void eraseBackground(gPainter* painter, const eRect& area);
    virtual int setProperty(const eString& prop, const eString& value);

    // Client area, in the parent's client coordinates (screen coordinates
    // for a top-level window).
    eRect clientRect;
    eString text;

    void move(const ePoint& position);
    void resize(const eSize& size);
    void cmove(const ePoint& clientPosition);
    void cresize(const eSize& clientSize);

    void setText(const eString& newText);
    void setShortcut(const eString& colour);

    void show();
    void hide();
    bool isVisible() const;  // shown, and every ancestor shown

    // Runs the modal loop until close() is called; returns close()'s result.
    int exec();
    void close(int result);

    eWidget* getParent() const { return parent; }
    const std::vector<eWidget*>& getChildren() const { return children; }
    eWidget* getTLW();  // the top-level window this widget belongs to

    // The outer rectangle (frame included) in the parent's client coordinates.
    const eRect& getPosition() const { return position; }
    const eString& getShortcut() const { return shortcut; }
    bool isShownFlag() const { return shown; }
    bool takesFocus() const { return focusable; }
    bool inModalLoop() const { return inLoop; }

    // The client area in screen pixels.
    eRect screenClientRect() const;

    // Focus among the focusable widgets of this top-level window.
    eWidget* focusedWidget() const { return focus; }
    bool hasFocus();
    void focusNext(int direction);  // +1: down, -1: up

protected:
    eWidget* parent;
    std::vector<eWidget*> children;  // owned: released by the destructor
    eRect position;
    eString shortcut;
    bool shown = false;
    bool focusable;
    bool inLoop = false;
    int loopResult = 0;

    // The frame around the client area, in pixels (a window's border and title).
    int frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;

    // Called after any change that alters what the screen shows.
    void changed(bool textChanged = false);

private:
    eWidget* focus = nullptr;  // used on top-level windows only

    void placeAroundClient();
    void collectFocusable(std::vector<eWidget*>& out);
    void setFocus(eWidget* widget);
    void repairFocus();
};
