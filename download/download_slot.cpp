// download_slot.cpp: the Download button's slot, wiring the download run to
// the dialog's widgets and the box's fixed paths.
#include "demo_dialog.h"

void eDemoDialog::BsInternet() {}
