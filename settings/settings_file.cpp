// settings_file.cpp: placeholder until the settings file lands.
#include "settings_file.h"
