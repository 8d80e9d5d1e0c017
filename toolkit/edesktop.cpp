// edesktop.cpp: the top-level windows, the text renderer and the frontend hook.
#include "edesktop.h"

#include <algorithm>

#include "efrontend.h"
#include "ewidget.h"

namespace {
std::vector<eWidget*> topLevel;
eFrontend* currentFrontend = nullptr;
bool notifying = false;
}  // namespace

void eDesktop::addWindow(eWidget* window) { topLevel.push_back(window); }

void eDesktop::removeWindow(eWidget* window) {
    topLevel.erase(std::remove(topLevel.begin(), topLevel.end(), window), topLevel.end());
}

const std::vector<eWidget*>& eDesktop::windows() { return topLevel; }

void eDesktop::setFrontend(eFrontend* frontend) { currentFrontend = frontend; }

eFrontend* eDesktop::frontend() { return currentFrontend; }

void eDesktop::screenChanged(bool textChanged) {
    // A frontend that draws must not be re-entered by what drawing touches.
    if (!currentFrontend || notifying)
        return;
    notifying = true;
    currentFrontend->screenChanged(textChanged);
    notifying = false;
}

eRect eDesktop::outerCells(const eWidget* widget) {
    const eRect client = widget->screenClientRect();
    const eRect& pos = widget->getPosition();
    const eRect& local = widget->clientRect;
    eRect outer = pos.translated(client.x1 - local.x1, client.y1 - local.y1);
    if (outer.isEmpty())
        return eRect();
    eRect clientCells = gPainter::cellsOf(client);
    // A frame is drawn one cell around the client cells, whatever its pixel
    // width, so that frame and content never share a cell.
    if (pos.x1 < local.x1) clientCells.x1 -= 1;
    if (pos.y1 < local.y1) clientCells.y1 -= 1;
    if (pos.x2 > local.x2) clientCells.x2 += 1;
    if (pos.y2 > local.y2) clientCells.y2 += 1;
    return client.isEmpty() ? gPainter::cellsOf(outer) : clientCells;
}

void eDesktop::draw(eWidget* widget, gPainter& painter, const eRect& clip) {
    if (!widget->isShownFlag())
        return;
    eRect outer = outerCells(widget).intersect(clip);
    if (outer.isEmpty())
        return;
    painter.setClip(outer);
    widget->eraseBackground(&painter, outerCells(widget));
    widget->redrawWidget(&painter, outerCells(widget));
    eRect inner = gPainter::cellsOf(widget->screenClientRect()).intersect(clip);
    if (inner.isEmpty())
        return;
    // Children may be created by the widgets' own slots while we draw from
    // a frontend; iterate over a copy.
    std::vector<eWidget*> children = widget->getChildren();
    for (eWidget* child : children)
        draw(child, painter, inner);
}

void eDesktop::render(gPainter& painter) {
    eRect screen(ePoint(0, 0), eSize(gPainter::kColumns, gPainter::kRows));
    for (eWidget* window : topLevel)
        draw(window, painter, screen);
    painter.setClip(screen);
}

std::vector<std::string> eDesktop::renderRows() {
    gPainter painter;
    render(painter);
    int top = gPainter::kRows, bottom = 0;
    for (eWidget* window : topLevel) {
        if (!window->isShownFlag())
            continue;
        eRect cells = outerCells(window).intersect(eRect(ePoint(0, 0), eSize(gPainter::kColumns, gPainter::kRows)));
        if (cells.isEmpty())
            continue;
        top = std::min(top, cells.y1);
        bottom = std::max(bottom, cells.y2);
    }
    std::vector<std::string> all = painter.lines();
    if (top >= bottom)
        return {};
    return std::vector<std::string>(all.begin() + top, all.begin() + bottom);
}

eWidget* eDesktop::focusedWidget() {
    for (auto it = topLevel.rbegin(); it != topLevel.rend(); ++it)
        if ((*it)->inModalLoop())
            return (*it)->focusedWidget();
    return nullptr;
}
