// epg_filename.h: the size of the EPG file path setting, shared by the settings file, the dialog and the download run.
#pragma once

// At most 63 characters and the terminating NUL; a longer path is cut.
inline constexpr int kEpgFilenameSize = 64;
