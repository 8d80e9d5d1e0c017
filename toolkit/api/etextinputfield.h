// etextinputfield.h: a one-line text input, edited with the remote's digit
// keys (multi-tap) or a PC keyboard.
#pragma once

#include "edecowidget.h"

class eLabel;
class eTextInputFieldHelpWidget;

class eTextInputField : public eDecoWidget {
public:
    eTextInputField(eWidget* parent, eLabel* descr = nullptr,
                    eTextInputFieldHelpWidget* help = nullptr, const char* deco = "eNumber");
    ~eTextInputField() override;

    int maxLength = 0;  // most characters enterable; 0: no limit

    void setNextCharTimeout(unsigned milliseconds);
    void setUseableChars(const char* characters);

    int eventHandler(const eWidgetEvent& event) override;
    void redrawWidget(gPainter* painter, const eRect& area) override;
    void lostFocus() override;

    // The cursor: the index in text where the next character goes.
    unsigned cursorPosition();
    // A multi-tap character is shown but not yet committed.
    bool hasPendingChar() const { return pendingKey >= 0; }
    void commitPendingChar();

    // Commits the multi-tap characters whose next-character timeout has run
    // out on the toolkit's clock (eclock.h).
    static void commitExpired();

    // The characters a digit key steps through: its letters, then the digit.
    static const char* keyCharacters(int digit);

protected:
    eLabel* descr;
    eTextInputFieldHelpWidget* help;
    unsigned nextCharTimeout = 0;
    eString useableChars;

private:
    unsigned cursor = 0;
    int pendingKey = -1;  // the digit key of the pending character
    unsigned pendingIndex = 0;
    unsigned long long pendingSince = 0;
    eString editedText;  // the text as this field last left it

    void syncWithText();
    bool allowed(char c) const;
    bool full() const;
    void insertChar(char c, bool advance);
    void digitKey(int digit);
    void typedChar(char c);
    void backspace();
    void moveCursor(int step);
    void updateText(const eString& newText);
    void setPending(int key);
};
