// sigc_compat.h: the signal names the plug-in uses, mapped onto libsigc++ 3.
#pragma once

#include <sigc++/sigc++.h>

// The box's host exposes its signal library under the older SigC names.
// These thin aliases let the dialog's code read as it does there.
namespace SigC {

struct ObjectBase : public sigc::trackable {};

// Widgets are identities held by pointer: never copied or moved.
class Object : public virtual ObjectBase {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
};

// SigC::slot(object, &Class::member): a slot calling a member function.
template <class T, class Base, class R, class... Args>
auto slot(T& object, R (Base::*member)(Args...)) {
    return sigc::mem_fun(static_cast<Base&>(object), member);
}

}  // namespace SigC
