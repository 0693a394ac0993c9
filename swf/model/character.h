// A character: an entry of a movie's dictionary, defined once by a tag and
// placed on timelines by its id.
#pragma once

#include <QtGlobal>

namespace swf {

// Every kind a dictionary can hold. Only some are parsed yet; the others
// name what later parsers will add.
enum class CharacterKind {
    Shape,
    Sprite,
    MorphShape,
    Bitmap,
    Font,
    Text,
    EditText,
    Button,
    Sound,
    Video,
    BinaryData,
};

class Character {
public:
    explicit Character(quint16 id) : m_id(id) {}
    virtual ~Character() = default;
    Character(const Character &) = delete;
    Character &operator=(const Character &) = delete;

    quint16 id() const { return m_id; }
    virtual CharacterKind kind() const = 0;

private:
    quint16 m_id;
};

} // namespace swf
