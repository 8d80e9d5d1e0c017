// key_names.cpp: key names of the remote control.
#include "key_names.h"

#include "keys.h"

namespace {
struct NamedKey {
    const char* name;
    int key;
};

const NamedKey kNamedKeys[] = {
    {"red", eKey::red},     {"green", eKey::green}, {"yellow", eKey::yellow},
    {"blue", eKey::blue},   {"exit", eKey::exit},   {"ok", eKey::ok},
    {"up", eKey::up},       {"down", eKey::down},   {"left", eKey::left},
    {"right", eKey::right}, {"backspace", eKey::backspace},
};
}  // namespace

std::string keyName(int key) {
    if (eKey::isDigitKey(key))
        return std::string(1, static_cast<char>('0' + key - eKey::digit0));
    for (const NamedKey& named : kNamedKeys)
        if (named.key == key)
            return named.name;
    return "";
}

int keyFromName(const std::string& name) {
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9')
        return eKey::digit0 + (name[0] - '0');
    for (const NamedKey& named : kNamedKeys)
        if (name == named.name)
            return named.key;
    return -1;
}
