// DefineButton and DefineButton2, with the colour transform DefineButtonCxform
// adds: the characters each state shows, and the actions kept undecoded for
// later scripting.
#pragma once

#include "swf/model/character.h"
#include "swf/model/placement.h"
#include "swf/types.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace swf {

// The states a button record takes part in (its flag bits).
namespace ButtonStateFlag {
inline constexpr quint8 Up = 0x01;
inline constexpr quint8 Over = 0x02;
inline constexpr quint8 Down = 0x04;
inline constexpr quint8 HitTest = 0x08;
} // namespace ButtonStateFlag

struct ButtonRecord {
    quint8 states = 0; // ButtonStateFlag bits
    quint16 characterId = 0;
    quint16 depth = 0;
    Matrix matrix;
    ColorTransform colorTransform; // DefineButton2 only
    std::optional<std::vector<Filter>> filters;
    quint8 blendMode = 0;
};

// A BUTTONCONDACTION of DefineButton2 (DefineButton has one, for release
// over the button): the state changes that run it and the action bytes.
struct ButtonAction {
    quint16 conditions = 0;
    quint8 keyCode = 0;
    QByteArray actions;
};

struct ButtonData {
    int version = 1; // 1 or 2
    bool trackAsMenu = false;
    std::vector<ButtonRecord> records;
    std::vector<ButtonAction> actions;
    // DefineButtonCxform: the colour transform of every character of a
    // DefineButton.
    std::optional<ColorTransform> colorTransform;
};

class Button final : public Character {
public:
    Button(quint16 id, ButtonData data) : Character(id), m_data(std::move(data)) {}
    CharacterKind kind() const override { return CharacterKind::Button; }

    const ButtonData &data() const { return m_data; }
    bool trackAsMenu() const { return m_data.trackAsMenu; }
    const std::vector<ButtonRecord> &records() const { return m_data.records; }

private:
    ButtonData m_data;
};

} // namespace swf
