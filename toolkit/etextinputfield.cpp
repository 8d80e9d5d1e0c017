// etextinputfield.cpp: multi-tap and keyboard entry, cursor and backspace,
// always within maxLength and the useable characters.
#include "etextinputfield.h"

#include <algorithm>
#include <vector>

#include "eclock.h"
#include "keys.h"

namespace {
// Fields showing a multi-tap character that the clock may commit.
std::vector<eTextInputField*> pendingFields;

void forgetPending(eTextInputField* field) {
    pendingFields.erase(std::remove(pendingFields.begin(), pendingFields.end(), field),
                        pendingFields.end());
}
}  // namespace

eTextInputField::eTextInputField(eWidget* parent, eLabel* descr_, eTextInputFieldHelpWidget* help_,
                                 const char* deco)
    : eDecoWidget(parent, 1, deco), descr(descr_), help(help_) {}

eTextInputField::~eTextInputField() { forgetPending(this); }

void eTextInputField::setNextCharTimeout(unsigned milliseconds) { nextCharTimeout = milliseconds; }

void eTextInputField::setUseableChars(const char* characters) {
    useableChars = characters ? characters : "";
}

const char* eTextInputField::keyCharacters(int digit) {
    static const char* const letters[10] = {
        " 0",       ".,-_/:1",  "abc2ABC", "def3DEF", "ghi4GHI",
        "jkl5JKL", "mno6MNO", "pqrs7PQRS", "tuv8TUV", "wxyz9WXYZ",
    };
    return digit >= 0 && digit <= 9 ? letters[digit] : "";
}

// The text set from outside (setText) puts the cursor at its end.
void eTextInputField::syncWithText() {
    if (text == editedText)
        return;
    editedText = text;
    cursor = static_cast<unsigned>(text.size());
    pendingKey = -1;
    forgetPending(this);
}

unsigned eTextInputField::cursorPosition() {
    syncWithText();
    return cursor;
}

bool eTextInputField::allowed(char c) const {
    if (useableChars.empty())
        return eKey::isTyped(static_cast<unsigned char>(c));
    return useableChars.find(c) != eString::npos;
}

bool eTextInputField::full() const {
    return maxLength > 0 && text.size() >= static_cast<size_t>(maxLength);
}

void eTextInputField::updateText(const eString& newText) {
    editedText = newText;
    setText(newText);
}

void eTextInputField::insertChar(char c, bool advance) {
    eString edited = text;
    edited.insert(edited.begin() + cursor, c);
    if (advance)
        ++cursor;
    updateText(edited);
}

void eTextInputField::setPending(int key) {
    pendingKey = key;
    pendingSince = eClock::now();
    if (std::find(pendingFields.begin(), pendingFields.end(), this) == pendingFields.end())
        pendingFields.push_back(this);
}

void eTextInputField::commitPendingChar() {
    if (pendingKey < 0)
        return;
    pendingKey = -1;
    forgetPending(this);
    ++cursor;
    changed();
}

void eTextInputField::digitKey(int digit) {
    std::string choices;
    for (const char* c = keyCharacters(digit); *c; ++c)
        if (allowed(*c))
            choices += *c;
    if (choices.empty())
        return;

    const int key = eKey::digit0 + digit;
    const bool inTime = eClock::now() - pendingSince < nextCharTimeout;
    if (pendingKey == key && inTime) {
        // The same key again within the timeout: the next of its characters.
        pendingIndex = (pendingIndex + 1) % choices.size();
        eString edited = text;
        edited[cursor] = choices[pendingIndex];
        updateText(edited);
        setPending(key);
        return;
    }
    commitPendingChar();
    if (full())
        return;
    pendingIndex = 0;
    const bool multiTap = choices.size() > 1 && nextCharTimeout > 0;
    if (multiTap)
        setPending(key);
    insertChar(choices[0], !multiTap);
}

void eTextInputField::typedChar(char c) {
    commitPendingChar();
    if (!allowed(c) || full())
        return;
    insertChar(c, true);
}

void eTextInputField::backspace() {
    if (pendingKey >= 0) {
        // Backspace takes back the character still being chosen.
        pendingKey = -1;
        forgetPending(this);
        eString edited = text;
        edited.erase(cursor, 1);
        updateText(edited);
        return;
    }
    if (cursor == 0)
        return;
    --cursor;
    eString edited = text;
    edited.erase(cursor, 1);
    updateText(edited);
}

void eTextInputField::moveCursor(int step) {
    commitPendingChar();
    if (step < 0 && cursor > 0)
        --cursor;
    else if (step > 0 && cursor < text.size())
        ++cursor;
    changed();
}

int eTextInputField::eventHandler(const eWidgetEvent& event) {
    if (event.type != eWidgetEvent::keyPressed)
        return eDecoWidget::eventHandler(event);
    syncWithText();
    const int key = event.parameter;
    if (eKey::isDigitKey(key)) {
        digitKey(key - eKey::digit0);
        return 1;
    }
    if (eKey::isTyped(key)) {
        typedChar(static_cast<char>(key));
        return 1;
    }
    switch (key) {
    case eKey::left:
        moveCursor(-1);
        return 1;
    case eKey::right:
        moveCursor(+1);
        return 1;
    case eKey::backspace:
        backspace();
        return 1;
    case eKey::ok:
        commitPendingChar();
        return 1;
    default:
        return eDecoWidget::eventHandler(event);
    }
}

void eTextInputField::lostFocus() {
    syncWithText();
    commitPendingChar();
    eDecoWidget::lostFocus();
}

void eTextInputField::commitExpired() {
    const unsigned long long now = eClock::now();
    std::vector<eTextInputField*> due;
    for (eTextInputField* field : pendingFields)
        if (now - field->pendingSince >= field->nextCharTimeout)
            due.push_back(field);
    for (eTextInputField* field : due)
        field->commitPendingChar();
}

// The content, scrolled so that the cursor stays in view. The focused field
// shows its cursor as "|" before the character it stands on (highlighted
// on a terminal).
void eTextInputField::redrawWidget(gPainter* painter, const eRect& area) {
    syncWithText();
    const int row = area.y1 + (area.height() - 1) / 2;
    const int width = area.width();
    if (width <= 0)
        return;
    if (!hasFocus()) {
        painter->text(area.x1, row, text.substr(0, static_cast<size_t>(width)));
        return;
    }
    std::string shown = text.substr(0, cursor) + "|" + text.substr(cursor);
    size_t first = 0;
    if (static_cast<int>(cursor) + 1 > width)
        first = cursor + 1 - static_cast<size_t>(width);
    shown = shown.substr(first, static_cast<size_t>(width));
    for (size_t i = 0; i < shown.size(); ++i) {
        bool atCursor = first + i == cursor || (pendingKey >= 0 && first + i == cursor + 1);
        painter->put(area.x1 + static_cast<int>(i), row, shown[i], atCursor);
    }
}
