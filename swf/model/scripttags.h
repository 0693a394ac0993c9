// The tags that carry scripts: DoAction (a frame's ActionScript 1/2
// actions), DoInitAction (actions run once before a sprite is first
// used) and DoABC (ActionScript 3 bytecode). They sit in the timelines
// as control tags, in the frame that reaches them; the script machines
// decode their bytes.
#pragma once

#include "swf/model/timeline.h"

#include <QByteArray>
#include <QString>

namespace swf {

class DoAction final : public ControlTag {
public:
    ControlKind kind() const override { return ControlKind::DoAction; }

    QByteArray actions;
};

// Only the main timeline's count: the Flash Player ignores them in sprites.
class DoInitAction final : public ControlTag {
public:
    ControlKind kind() const override { return ControlKind::DoInitAction; }

    quint16 spriteId = 0;
    QByteArray actions;
};

class DoAbc final : public ControlTag {
public:
    ControlKind kind() const override { return ControlKind::DoAbc; }

    // DoABC's flags: kLazyInitialize defers running its scripts until one
    // of their definitions is needed. The older tag without flags has none.
    static constexpr quint32 kLazyInitialize = 1;
    quint32 flags = 0;
    QString name;
    QByteArray abc;
};

} // namespace swf
