// fetch_command.h: the temporary file names and the shell commands of a run.
#pragma once

#include <cstddef>

#include "calendar.h"

// The guide service's host name, fixed when the plug-in is built.
const char* guideHost();

// "<tempDir>/<id>_<day>.trv". False when it does not fit.
bool buildTempPath(char* out, std::size_t size, const char* tempDir, int channelId, int dayNumber);

// wget fetching the channel's document for the date into tempPath.
// False when it does not fit.
bool buildFetchCommand(char* out, std::size_t size, const char* tempPath, int channelId,
                       const GuideDate& date);

// Deletes every temporary file of the run. False when it does not fit.
bool buildCleanupCommand(char* out, std::size_t size, const char* tempDir);
