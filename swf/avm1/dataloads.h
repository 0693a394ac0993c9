// Loads of text data by the movie's scripts (XML.load, LoadVars.load and
// their sendAndLoad): asked for during a frame, answered as the next one
// begins by calling the object's onData with the text, or with undefined when
// the data cannot be had. Also the methods XML and LoadVars share.
#pragma once

#include "swf/avm1/machine.h"

#include <deque>

namespace swf::avm1 {

class DataLoads final : public MachineExtension {
public:
    // The machine's loads, made on first use (the built-ins ask at
    // install time, before any script runs).
    static DataLoads &of(Machine &m);

    // Starts loading `address` for `target`: sets its loaded and
    // _bytesLoaded/_bytesTotal as the player does when a load begins.
    void start(Machine &m, Object *target, const QString &address);
    // loadVariables: the variables `address` holds become the clip's,
    // then its data event runs.
    void startVariables(Machine &m, DisplayObject &clip, const QString &address);

    void markRoots(Heap &heap) override;
    void frameStarting(Machine &m) override;

private:
    struct Pending {
        Object *target = nullptr;
        QString address;
        bool variables = false;
    };
    void deliver(Machine &m, const Pending &load);

    std::deque<Pending> m_pending;
    Object *m_current = nullptr;
};

// Loaded bytes as text: from version 6, a byte-order mark chooses UTF-8
// or UTF-16, and without one it is UTF-8; before, Latin-1. The text ends
// at its first NUL.
QString decodeLoadedText(const QByteArray &bytes, int version);

// Methods of XML and LoadVars alike.
Value loadMethod(Machine &m, const Value &self, const Args &args);
Value sendAndLoadMethod(Machine &m, const Value &self, const Args &args);
Value sendMethod(Machine &m, const Value &self, const Args &args);
Value getBytesLoadedMethod(Machine &m, const Value &self, const Args &args);
Value getBytesTotalMethod(Machine &m, const Value &self, const Args &args);
Value addRequestHeaderMethod(Machine &m, const Value &self, const Args &args);
Value onLoadMethod(Machine &m, const Value &self, const Args &args);
// onData that hands the text to `parse` (parseXML, decode), then marks
// the object loaded and calls onLoad(true); onLoad(false) for no text.
Value onDataWith(Machine &m, const Value &self, const Args &args, const QString &parse);

// MovieClip.prototype.loadVariables(address).
Value clipLoadVariables(Machine &m, const Value &self, const Args &args);

} // namespace swf::avm1
