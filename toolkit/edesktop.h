// edesktop.h: the screen: the top-level windows on it, the renderer that
// draws them as text, and the frontend that shows it and supplies keys.
#pragma once

#include <string>
#include <vector>

#include "geometry.h"
#include "gpainter.h"

class eFrontend;
class eWidget;

class eDesktop {
public:
    static void addWindow(eWidget* window);
    static void removeWindow(eWidget* window);
    static const std::vector<eWidget*>& windows();

    static void setFrontend(eFrontend* frontend);
    static eFrontend* frontend();

    // Tells the frontend that the screen may have changed.
    static void screenChanged(bool textChanged = false);

    // Draws every visible top-level window, in the order they were created.
    static void render(gPainter& painter);
    // The screen's rows that hold a visible window (from the topmost such
    // row to the lowermost), right-trimmed; empty when no window shows.
    static std::vector<std::string> renderRows();
    // The cells of the widget's outer rectangle on the screen.
    static eRect outerCells(const eWidget* widget);

    // The widget that keys go to in the innermost modal loop, or null.
    static eWidget* focusedWidget();

private:
    static void draw(eWidget* widget, gPainter& painter, const eRect& clip);
};
