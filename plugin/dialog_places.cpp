// dialog_places.cpp: the box's places as the dialog's run uses them.
#include "dialog_places.h"

#include <dlfcn.h>

#include "settings_file.h"

DownloadPlaces dialogPlaces() {
    DownloadPlaces places = kBoxPlaces;
    places.settingsFile = kSettingsPath;
    // The object that holds this very function is the plug-in. Its name
    // is the loader's, valid while the plug-in is loaded.
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&dialogPlaces), &info) != 0 && info.dli_fname && *info.dli_fname)
        places.pluginFile = info.dli_fname;
    return places;
}
