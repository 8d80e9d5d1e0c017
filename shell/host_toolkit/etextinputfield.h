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

    int maxLength = 0;  // most characters enterable; 0: no limit

    void setNextCharTimeout(unsigned milliseconds);
    void setUseableChars(const char* characters);

    int eventHandler(const eWidgetEvent& event) override;
    void redrawWidget(gPainter* painter, const eRect& area) override;

protected:
    eLabel* descr;
    eTextInputFieldHelpWidget* help;
    unsigned nextCharTimeout = 0;
    eString useableChars;
};
