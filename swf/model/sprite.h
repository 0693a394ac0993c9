// DefineSprite: a character with a timeline of its own.
#pragma once

#include "swf/model/character.h"
#include "swf/model/timeline.h"

namespace swf {

class Sprite final : public Character {
public:
    using Character::Character;
    CharacterKind kind() const override { return CharacterKind::Sprite; }

    quint16 declaredFrameCount = 0;
    Timeline timeline;
};

} // namespace swf
