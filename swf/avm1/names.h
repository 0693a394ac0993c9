// Property names the machine looks up all the time, interned once.
#pragma once

#include "swf/avm1/keytable.h"

namespace swf::avm1 {

struct Names {
    explicit Names(KeyTable &keys);

    StrRef prototype;
    StrRef proto;        // __proto__
    StrRef constructor;  // constructor
    StrRef constructor2; // __constructor__
    StrRef length;
    StrRef toString;
    StrRef valueOf;
    StrRef arguments;
    StrRef callee;
    StrRef caller;
    StrRef thisName;  // this
    StrRef superName; // super
    StrRef global;    // _global
    StrRef root;      // _root
    StrRef parent;    // _parent
    StrRef resolve;   // __resolve
    StrRef onEnterFrame;
    StrRef empty; // the empty string
};

} // namespace swf::avm1
