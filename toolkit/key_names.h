// key_names.h: the names of keys as a key script and the shortcuts spell them.
#pragma once

#include <string>

// "red", "ok", "7", ...; "" for typed characters and unknown codes.
std::string keyName(int key);
// The key of a name; -1 for an unknown name.
int keyFromName(const std::string& name);
