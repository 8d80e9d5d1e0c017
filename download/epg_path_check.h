// epg_path_check.h: EPG paths a run refuses, because writing the guide
// there would destroy what the user has.
#pragma once

struct DownloadPlaces;

// What an EPG file at a path would destroy.
enum class EpgPathClash {
    None,
    CleanUp,       // the run's clean-up, `rm -rf <tempDir>/*.trv`, deletes it
    ChannelList,   // it is the channel list
    SettingsFile,  // it is the settings file
    PlugIn,        // it is the plug-in itself
};

// Tells whether epgPath names a file that the clean-up of places.tempDir
// deletes (a name the shell's *.trv matches, dot-files aside, in that
// folder or in a folder of such a name there, whatever the spelling of the
// path: links and ".." are resolved), or the same file (device and inode,
// links followed) as places.channelList, places.settingsFile or
// places.pluginFile. Paths that don't exist clash with nothing.
EpgPathClash checkEpgPath(const char* epgPath, const DownloadPlaces& places);

// True when the shell's `*.trv` matches the name: it ends in ".trv" and,
// as a dot-file is never matched by `*`, does not start with a dot.
bool matchesTempGlob(const char* name);
