// State shared by every timeline of one player while it runs.
#pragma once

#include "swf/runtime/audiosink.h"

namespace swf {

class Movie;

struct RuntimeContext {
    const Movie &movie;
    AudioSink *audio = nullptr;
    // Display objects alive, all levels together; checked against the limit.
    int liveObjects = 0;
    quint64 nextSerial = 1;
    // Something drawn changed since the last look.
    bool changed = true;
};

} // namespace swf
