// ewidgetpicture.cpp: what each kind of widget looks like on the picture.
#include "ewidgetpicture.h"

#include "ebutton.h"
#include "etextinputfield.h"
#include "pixel_text_layout.h"

namespace {
// The box's on-screen display: dark blue windows, light text.
const gRGB kWindowBorder(138, 164, 208);
const gRGB kTitleBar(31, 58, 110);
const gRGB kTitleText(255, 255, 255);
const gRGB kFrame(52, 80, 127);
const gRGB kClient(22, 35, 59);
const gRGB kText(232, 237, 245);
const gRGB kButton(42, 59, 92);
const gRGB kButtonBorder(90, 111, 150);
const gRGB kFocusedButton(61, 90, 143);
const gRGB kFocusMark(240, 196, 25);
const gRGB kInput(242, 242, 242);
const gRGB kInputBorder(127, 143, 174);
const gRGB kInputText(16, 16, 16);
const gRGB kCursor(208, 32, 32);
const gRGB kPendingChar(255, 217, 102);
const gRGB kKeyOutline(12, 12, 12);

const int kPadding = 6;
const int kKeyWidth = 18;
const int kKeyHeight = 12;
const int kCursorWidth = 2;

bool keyColour(const std::string& name, gRGB& colour) {
    if (name == "red") colour = gRGB(208, 48, 48);
    else if (name == "green") colour = gRGB(47, 168, 79);
    else if (name == "yellow") colour = gRGB(224, 192, 32);
    else if (name == "blue") colour = gRGB(58, 111, 216);
    else return false;
    return true;
}

eRect inset(const eRect& r, int by) {
    eRect in = r;
    in.x1 += by;
    in.y1 += by;
    in.x2 -= by;
    in.y2 -= by;
    return in;
}
}  // namespace

eWidgetPicture::eWidgetPicture(const gFont& textFont_, const gFont& titleFont_)
    : textFont(textFont_), titleFont(titleFont_) {}

void eWidgetPicture::paint(eWidget* widget, const eRect& outer, gPixmap& pixmap) const {
    if (!widget->getParent())
        paintWindow(widget, outer, pixmap);
    else if (dynamic_cast<eButton*>(widget))
        paintButton(widget, outer, pixmap);
    else if (auto* label = dynamic_cast<eLabel*>(widget))
        paintLabel(widget, label->wraps(), pixmap);
    else if (dynamic_cast<eTextInputField*>(widget))
        paintInput(widget, outer, pixmap);
}

int eWidgetPicture::centredBaseline(const eRect& area) const {
    return area.y1 + (area.height() - textFont.lineHeight()) / 2 + textFont.ascender();
}

// The frame around the client area is the window's decoration; its top
// part is the title bar.
void eWidgetPicture::paintWindow(eWidget* window, const eRect& outer, gPixmap& pixmap) const {
    const eRect client = window->screenClientRect();
    pixmap.fill(outer, kFrame);
    pixmap.fill(eRect(outer.topLeft(), eSize(outer.width(), client.y1 - outer.y1)), kTitleBar);
    pixmap.frame(outer, kWindowBorder);
    pixmap.fill(client, kClient);
    const int titleBaseline = outer.y1 + (client.y1 - outer.y1 - titleFont.lineHeight()) / 2 + titleFont.ascender();
    const eRect clip = pixmap.getClip();
    pixmap.setClip(clip.intersect(inset(eRect(outer.topLeft(), eSize(outer.width(), client.y1 - outer.y1)), 1)));
    titleFont.draw(pixmap, outer.x1 + kPadding, titleBaseline, window->text, kTitleText);
    pixmap.setClip(clip);
}

void eWidgetPicture::paintLabel(eWidget* label, bool wrap, gPixmap& pixmap) const {
    const eRect area = label->screenClientRect();
    std::vector<PlacedLine> lines = layoutTextInPixels(
        label->text, area.width(), wrap, kTabStop, [this](const std::string& s) { return textFont.width(s); });
    int top = area.y1;
    for (const PlacedLine& line : lines) {
        if (top >= area.y2)
            break;
        for (const PlacedWord& word : line)
            textFont.draw(pixmap, area.x1 + word.x, top + textFont.ascender(), word.text, kText);
        top += textFont.lineHeight();
    }
}

// The colour key stands as a patch of its colour before the caption; the
// focused button is lighter and ringed.
void eWidgetPicture::paintButton(eWidget* button, const eRect& outer, gPixmap& pixmap) const {
    const bool focused = button->hasFocus();
    pixmap.fill(outer, focused ? kFocusedButton : kButton);
    if (focused)
        pixmap.frame(outer, kFocusMark, 2);
    else
        pixmap.frame(outer, kButtonBorder);
    const std::string& keyName = static_cast<eLabel*>(button)->getShortcutPixmap();
    gRGB key;
    int captionLeft = outer.x1 + (outer.width() - textFont.width(button->text)) / 2;
    if (keyColour(keyName, key)) {
        const eRect patch(ePoint(outer.x1 + kPadding + 2, outer.y1 + (outer.height() - kKeyHeight) / 2),
                          eSize(kKeyWidth, kKeyHeight));
        pixmap.fill(patch, key);
        pixmap.frame(patch, kKeyOutline);
        captionLeft = patch.x2 + kPadding;
    }
    textFont.draw(pixmap, captionLeft, centredBaseline(outer), button->text, kText);
}

// A focused input shows its cursor as a bar before the character it stands
// on, and a multi-tap character still waiting for its timeout on a marked
// ground; the text scrolls left when the cursor would leave the field.
void eWidgetPicture::paintInput(eWidget* widget, const eRect& outer, gPixmap& pixmap) const {
    auto* input = static_cast<eTextInputField*>(widget);
    const bool focused = input->hasFocus();
    pixmap.fill(outer, kInput);
    if (focused)
        pixmap.frame(outer, kFocusMark, 2);
    else
        pixmap.frame(outer, kInputBorder);
    const eRect inside = inset(outer, 2);
    const eRect clip = pixmap.getClip();
    pixmap.setClip(clip.intersect(inside));
    const std::string& text = input->text;
    const int baseline = centredBaseline(outer);
    int left = inside.x1 + kPadding - 2;
    if (!focused) {
        textFont.draw(pixmap, left, baseline, text, kInputText);
        pixmap.setClip(clip);
        return;
    }
    const unsigned cursor = input->cursorPosition();
    const int cursorOffset = textFont.width(text.substr(0, cursor));
    const int room = inside.x2 - kPadding - left;
    if (cursorOffset > room)
        left -= cursorOffset - room;
    const int cursorX = left + cursorOffset;
    const int top = baseline - textFont.ascender();
    if (input->hasPendingChar() && cursor < text.size()) {
        const int charWidth = textFont.width(text.substr(cursor, 1));
        pixmap.fill(eRect(ePoint(cursorX, top), eSize(charWidth, textFont.lineHeight())), kPendingChar);
    }
    textFont.draw(pixmap, left, baseline, text, kInputText);
    pixmap.fill(eRect(ePoint(cursorX - kCursorWidth / 2, top), eSize(kCursorWidth, textFont.lineHeight())), kCursor);
    pixmap.setClip(clip);
}
