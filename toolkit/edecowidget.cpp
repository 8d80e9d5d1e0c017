// edecowidget.cpp: decorations; drawn as the widget's plain look.
#include "edecowidget.h"

eDecoWidget::eDecoWidget(eWidget* parent, int takeFocus, const char* decoName_)
    : eWidget(parent, takeFocus), decoName(decoName_) {}

void eDecoWidget::loadDeco() { hasDeco = true; }
