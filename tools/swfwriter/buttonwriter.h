// Writers of DefineButton, DefineButton2 and DefineButtonCxform.
//
//   swfwriter::ButtonSpec button;
//   button.records.push_back({.states = swf::ButtonStateFlag::Up | swf::ButtonStateFlag::HitTest,
//                             .characterId = upShape, .depth = 1});
//   button.records.push_back({.states = swf::ButtonStateFlag::Over, .characterId = overShape,
//                             .depth = 1});
//   const quint16 buttonId = swfwriter::defineButton2(movie, button);
#pragma once

#include "swf/model/button.h"
#include "tools/swfwriter/swfwriter.h"

#include <optional>
#include <vector>

namespace swfwriter {

struct ButtonRecordSpec {
    quint8 states = 0; // swf::ButtonStateFlag bits
    quint16 characterId = 0;
    quint16 depth = 1;
    swf::Matrix matrix;
    // DefineButton2 only.
    swf::ColorTransform colorTransform;
    std::optional<QByteArray> rawFilters; // SURFACEFILTERLIST, count byte first
    std::optional<quint8> blendMode;
};

struct ButtonActionSpec {
    quint16 conditions = 0x0008; // release over the button
    QByteArray actions;          // ACTIONRECORDs with their end flag
};

struct ButtonSpec {
    bool trackAsMenu = false;
    std::vector<ButtonRecordSpec> records;
    // DefineButton writes the first entry's actions only.
    std::vector<ButtonActionSpec> actions;
};

quint16 defineButton(SwfWriter &movie, const ButtonSpec &button,
                     std::optional<quint16> id = std::nullopt);
quint16 defineButton2(SwfWriter &movie, const ButtonSpec &button,
                      std::optional<quint16> id = std::nullopt);
void defineButtonCxform(SwfWriter &movie, quint16 buttonId, const swf::ColorTransform &transform);

} // namespace swfwriter
