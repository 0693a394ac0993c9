#include "tools/swfwriter/buttonwriter.h"

#include "swf/io/tagcodes.h"

namespace swfwriter {

namespace {

void writeRecord(BitWriter &w, const ButtonRecordSpec &record, int version)
{
    const bool filters = version >= 2 && record.rawFilters;
    const bool blend = version >= 2 && record.blendMode;
    w.u8((blend ? 0x20 : 0) | (filters ? 0x10 : 0) | (record.states & 0x0f));
    w.u16(record.characterId);
    w.u16(record.depth);
    writeMatrix(w, record.matrix);
    if (version >= 2) {
        writeColorTransform(w, record.colorTransform, true);
        if (filters)
            w.bytes(*record.rawFilters);
        if (blend)
            w.u8(*record.blendMode);
    }
}

} // namespace

quint16 defineButton(SwfWriter &movie, const ButtonSpec &button, std::optional<quint16> id)
{
    const quint16 buttonId = movie.takeId(id);
    BitWriter w;
    w.u16(buttonId);
    for (const ButtonRecordSpec &record : button.records)
        writeRecord(w, record, 1);
    w.u8(0); // end of records
    if (!button.actions.empty())
        w.bytes(button.actions.front().actions);
    else
        w.u8(0); // end of actions
    movie.rawTag(swf::TagCode::DefineButton, w.data());
    return buttonId;
}

quint16 defineButton2(SwfWriter &movie, const ButtonSpec &button, std::optional<quint16> id)
{
    const quint16 buttonId = movie.takeId(id);
    BitWriter records;
    for (const ButtonRecordSpec &record : button.records)
        writeRecord(records, record, 2);
    records.u8(0); // end of records
    BitWriter w;
    w.u16(buttonId);
    w.u8(button.trackAsMenu ? 1 : 0);
    // The offset counts from the offset field itself.
    w.u16(button.actions.empty() ? 0 : quint32(2 + records.data().size()));
    w.bytes(records.data());
    for (size_t i = 0; i < button.actions.size(); ++i) {
        const ButtonActionSpec &action = button.actions[i];
        const bool last = i + 1 == button.actions.size();
        w.u16(last ? 0 : quint32(4 + action.actions.size()));
        w.u16(action.conditions);
        w.bytes(action.actions);
    }
    movie.rawTag(swf::TagCode::DefineButton2, w.data());
    return buttonId;
}

void defineButtonCxform(SwfWriter &movie, quint16 buttonId, const swf::ColorTransform &transform)
{
    BitWriter w;
    w.u16(buttonId);
    writeColorTransform(w, transform, false);
    movie.rawTag(swf::TagCode::DefineButtonCxform, w.data());
}

} // namespace swfwriter
