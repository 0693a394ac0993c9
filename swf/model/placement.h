// PlaceObject 1/2/3 and RemoveObject 1/2: the control tags that build the
// display list. Every field the file carries is kept, also those only
// scripting uses.
#pragma once

#include "swf/model/filter.h"
#include "swf/model/timeline.h"
#include "swf/types.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace swf {

// One clip action record: its event flags, the key code of a key-press
// event, and the action bytes.
struct ClipAction {
    quint32 events = 0;
    quint8 keyCode = 0;
    QByteArray actions;
};

struct ClipActions {
    quint32 allEvents = 0;
    std::vector<ClipAction> records;
};

class PlaceObject final : public ControlTag {
public:
    ControlKind kind() const override { return ControlKind::PlaceObject; }

    int version = 1; // 1, 2 or 3
    quint16 depth = 0;
    // PlaceObject2/3: modify (true) or create (false) the object at depth.
    bool move = false;
    std::optional<quint16> characterId;
    std::optional<Matrix> matrix;
    std::optional<ColorTransform> colorTransform;
    std::optional<quint16> ratio;
    std::optional<QString> name;
    std::optional<quint16> clipDepth;
    // PlaceObject3 only.
    std::optional<QString> className;
    bool hasImage = false;
    std::optional<std::vector<Filter>> filters;
    std::optional<quint8> blendMode;
    std::optional<quint8> bitmapCache;
    std::optional<quint8> visible;
    std::optional<Rgba> opaqueBackground;
    std::optional<ClipActions> clipActions;
};

class RemoveObject final : public ControlTag {
public:
    ControlKind kind() const override { return ControlKind::RemoveObject; }

    int version = 1;
    quint16 depth = 0;
    std::optional<quint16> characterId; // RemoveObject (version 1) only
};

} // namespace swf
