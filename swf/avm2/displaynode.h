// The state behind the minimal flash.display classes the machine gives
// itself: enough for a document class to be constructed and its frame
// scripts to run, without the display engine.
#pragma once

#include "swf/avm2/object.h"

#include <QMap>

namespace swf::avm2 {

class DisplayNode final : public Object {
public:
    DisplayNode(ClassObject *cls, const Traits *traits, Object *proto)
        : Object(cls, traits, proto, ObjKind::Plain)
    {
    }
    void trace(Tracer &t) const override;

    struct Listener {
        QString type;
        Value fn;
        bool capture = false;
        int priority = 0;
    };
    std::vector<Listener> listeners;
    std::vector<Value> children;
    Object *parent = nullptr;
    QString name;
    double x = 0, y = 0, scaleX = 1, scaleY = 1, rotation = 0, alpha = 1;
    bool visible = true;
    // MovieClip: frame scripts by frame (from 0), the playhead.
    QMap<int, Value> frameScripts;
    int currentFrame = 0; // from 0
    int totalFrames = 1;
    bool playing = true;
    int pendingFrame = -1; // a goto asked by a script
};

} // namespace swf::avm2
