// State shared by every timeline of one player while it runs.
#pragma once

#include "swf/runtime/audiosink.h"
#include "swf/runtime/scripthost.h"

#include <unordered_map>

namespace swf {

class DisplayObject;
class Movie;

struct RuntimeContext {
    const Movie &movie;
    AudioSink *audio = nullptr;
    ScriptHost *scripts = nullptr;
    // Every display object alive, by serial: handles are looked up here,
    // and its size is checked against the limit.
    std::unordered_map<quint64, DisplayObject *> objects;
    quint64 nextSerial = 1;
    // Something drawn changed since the last look.
    bool changed = true;

    DisplayObject *find(ObjectHandle handle) const
    {
        const auto it = objects.find(handle.serial);
        return it == objects.end() ? nullptr : it->second;
    }
};

} // namespace swf
