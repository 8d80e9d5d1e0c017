// settings_file.h: the settings file (EPG file path and days to download).
#pragma once
