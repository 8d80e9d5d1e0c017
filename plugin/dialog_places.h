// dialog_places.h: the box's places as the dialog's run uses them.
#pragma once

#include "run_seams.h"

// The box's fixed places, with the settings file and the file this plug-in
// was loaded from (found at run time: the host may load it from anywhere),
// so that an EPG path naming either is refused.
DownloadPlaces dialogPlaces();
