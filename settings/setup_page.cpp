// setup_page.cpp: the setup page: Setup builds it, Save stores, Back returns.
#include "demo_dialog.h"

void eDemoDialog::BsManual() {}

void eDemoDialog::BshGo() {}

void eDemoDialog::BshEx() {}
