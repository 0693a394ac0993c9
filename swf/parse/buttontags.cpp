// Tag family: buttons: DefineButton, DefineButton2, DefineButtonCxform
// (DefineButtonSound is read with the sounds).
#include "swf/io/tagcodes.h"
#include "swf/model/button.h"
#include "swf/parse/filterrecords.h"
#include "swf/parse/records.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

namespace {

// The condition DefineButton's actions run on: release over the button
// (CondOverDownToOverUp of BUTTONCONDACTION, read as a little-endian word).
constexpr quint16 kOverDownToOverUp = 0x0008;

// BUTTONRECORDs up to the end flag. False when one is damaged.
bool readButtonRecords(Reader &r, int version, std::vector<ButtonRecord> &records)
{
    while (true) {
        const quint8 flags = r.u8();
        if (!r.ok())
            return false;
        if (flags == 0)
            return true;
        ButtonRecord record;
        record.states = flags & 0x0f;
        record.characterId = r.u16();
        record.depth = r.u16();
        record.matrix = readMatrix(r);
        if (version >= 2) {
            record.colorTransform = readColorTransform(r, true);
            if (flags & 0x10) {
                record.filters.emplace();
                if (!readFilterList(r, *record.filters))
                    return false;
            }
            if (flags & 0x20)
                record.blendMode = r.u8();
        }
        if (!r.ok())
            return false;
        records.push_back(std::move(record));
    }
}

std::optional<Error> parseDefineButton(TagContext &c)
{
    Reader &r = c.reader;
    const quint16 id = r.u16();
    ButtonData data;
    data.version = 1;
    const bool recordsOk = readButtonRecords(r, 1, data.records);
    if (auto error = c.overrunError("DefineButton"))
        return error;
    if (!recordsOk)
        return c.error(QStringLiteral("damaged button record"));
    // The actions, up to their end flag, run on release over the button.
    ButtonAction action;
    action.conditions = kOverDownToOverUp;
    action.actions = r.rest().toByteArray();
    if (!action.actions.isEmpty())
        data.actions.push_back(std::move(action));
    c.define(std::make_unique<Button>(id, std::move(data)));
    return std::nullopt;
}

// BUTTONCONDACTIONs from the reader's position: each says its size, the
// last one says zero and runs to the end of the tag.
bool readConditionActions(Reader &r, std::vector<ButtonAction> &actions)
{
    while (!r.atEnd()) {
        const qint64 start = r.position();
        const qint64 size = r.u16();
        ButtonAction action;
        action.conditions = r.u16();
        action.keyCode = quint8(action.conditions >> 9);
        if (!r.ok() || (size != 0 && (size < 4 || start + size > r.size())))
            return false;
        const qint64 length = size == 0 ? r.remaining() : size - 4;
        action.actions = r.bytes(length).toByteArray();
        actions.push_back(std::move(action));
        if (size == 0)
            break;
    }
    return r.ok();
}

std::optional<Error> parseDefineButton2(TagContext &c)
{
    Reader &r = c.reader;
    const quint16 id = r.u16();
    ButtonData data;
    data.version = 2;
    data.trackAsMenu = r.u8() & 0x01;
    const qint64 offsetField = r.position();
    const qint64 actionOffset = r.u16();
    const bool recordsOk = readButtonRecords(r, 2, data.records);
    if (auto error = c.overrunError("DefineButton2"))
        return error;
    if (!recordsOk)
        return c.error(QStringLiteral("damaged button record"));
    // Actions are kept for scripting; damaged ones do not undo the button.
    std::optional<Error> error;
    if (actionOffset != 0) {
        if (offsetField + actionOffset < r.position() || offsetField + actionOffset > r.size()) {
            error = c.error(QStringLiteral("button actions at offset %1 are outside the tag")
                                .arg(actionOffset));
        } else {
            r.seek(offsetField + actionOffset);
            if (!readConditionActions(r, data.actions))
                error = c.error(QStringLiteral("damaged button actions"));
        }
    }
    c.define(std::make_unique<Button>(id, std::move(data)));
    return error;
}

// Colours every character of a DefineButton. The movie is immutable once
// loaded; while it is read, the button is replaced by an amended copy.
std::optional<Error> parseDefineButtonCxform(TagContext &c)
{
    Reader &r = c.reader;
    const quint16 id = r.u16();
    const ColorTransform transform = readColorTransform(r, false);
    if (auto error = c.overrunError("DefineButtonCxform"))
        return error;
    const auto it = c.movie.dictionary.find(id);
    if (it == c.movie.dictionary.end() || it->second->kind() != CharacterKind::Button)
        return c.error(QStringLiteral("colour transform for missing button %1").arg(id));
    const auto &button = static_cast<const Button &>(*it->second);
    if (button.data().colorTransform)
        return c.error(QStringLiteral("button %1 already has a colour transform").arg(id));
    ButtonData data = button.data();
    data.colorTransform = transform;
    it->second = std::make_unique<Button>(id, std::move(data));
    return std::nullopt;
}

} // namespace

void registerButtonTags(TagTable &table)
{
    table.add(TagCode::DefineButton, parseDefineButton, TagScope::Definition);
    table.add(TagCode::DefineButton2, parseDefineButton2, TagScope::Definition);
    table.add(TagCode::DefineButtonCxform, parseDefineButtonCxform, TagScope::Definition);
}

} // namespace swf
