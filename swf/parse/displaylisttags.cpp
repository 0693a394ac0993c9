// PlaceObject, PlaceObject2, PlaceObject3, RemoveObject and RemoveObject2.
#include "swf/io/tagcodes.h"
#include "swf/model/placement.h"
#include "swf/parse/filterrecords.h"
#include "swf/parse/records.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

namespace {

// CLIPEVENTFLAGS read as a little-endian integer: ClipEventKeyPress is bit
// 1 of the third byte.
constexpr quint32 kClipEventKeyPress = 0x00020000;

std::optional<Error> readFilters(TagContext &c, std::vector<Filter> &filters)
{
    if (!readFilterList(c.reader, filters) && c.reader.ok())
        return c.error(QStringLiteral("unknown filter"));
    return c.overrunError("filter list");
}

std::optional<Error> readClipActions(TagContext &c, ClipActions &actions)
{
    Reader &r = c.reader;
    const bool wide = c.version() >= 6;
    r.u16(); // reserved
    actions.allEvents = wide ? r.u32() : r.u16();
    while (r.ok()) {
        ClipAction action;
        action.events = wide ? r.u32() : r.u16();
        if (action.events == 0)
            break;
        qint64 size = r.u32();
        if (action.events & kClipEventKeyPress) {
            action.keyCode = r.u8();
            --size;
        }
        if (size < 0 || size > r.remaining())
            return c.error(QStringLiteral("clip action of %1 bytes runs past its tag").arg(size));
        action.actions = r.bytes(size).toByteArray();
        actions.records.push_back(std::move(action));
    }
    return c.overrunError("clip actions");
}

std::optional<Error> parsePlaceObject(TagContext &c)
{
    auto place = std::make_unique<PlaceObject>();
    place->version = 1;
    place->characterId = c.reader.u16();
    place->depth = c.reader.u16();
    place->matrix = readMatrix(c.reader);
    if (auto error = c.overrunError("PlaceObject"))
        return error;
    if (!c.reader.atEnd()) {
        place->colorTransform = readColorTransform(c.reader, false);
        if (auto error = c.overrunError("PlaceObject colour transform"))
            return error;
    }
    c.timeline.add(std::move(place));
    return std::nullopt;
}

// PlaceObject2 and PlaceObject3 share everything but the second flag byte
// and the fields it announces.
std::optional<Error> parsePlaceObject23(TagContext &c, int version)
{
    Reader &r = c.reader;
    auto place = std::make_unique<PlaceObject>();
    place->version = version;
    const quint8 flags = r.u8();
    const quint8 flags3 = version >= 3 ? r.u8() : 0;
    place->move = flags & 0x01;
    place->hasImage = flags3 & 0x10;
    place->depth = r.u16();
    const bool hasCharacter = flags & 0x02;
    if ((flags3 & 0x08) || (place->hasImage && hasCharacter))
        place->className = decodeText(r.cstring(), c.version());
    if (hasCharacter)
        place->characterId = r.u16();
    if (flags & 0x04)
        place->matrix = readMatrix(r);
    if (flags & 0x08)
        place->colorTransform = readColorTransform(r, true);
    if (flags & 0x10)
        place->ratio = r.u16();
    if (flags & 0x20)
        place->name = decodeText(r.cstring(), c.version());
    if (flags & 0x40)
        place->clipDepth = r.u16();
    if (auto error = c.overrunError("PlaceObject"))
        return error;
    // The fields past the clip depth only refine the placement: when they
    // are damaged the placement still happens, and the tag counts as damaged.
    std::optional<Error> extrasError;
    if (flags3 & 0x01) {
        place->filters.emplace();
        extrasError = readFilters(c, *place->filters);
        if (extrasError)
            place->filters.reset();
    }
    if (!extrasError) {
        // Each field is kept only when it was there whole: a tag cut short
        // must not hide its object or give it a background of zeros.
        auto readByte = [&r](std::optional<quint8> &field) {
            const quint8 value = r.u8();
            if (r.ok())
                field = value;
        };
        if (flags3 & 0x02)
            readByte(place->blendMode);
        if (flags3 & 0x04)
            readByte(place->bitmapCache);
        if (flags3 & 0x20)
            readByte(place->visible);
        if (flags3 & 0x40) {
            const Rgba background = readRgba(r);
            if (r.ok())
                place->opaqueBackground = background;
        }
        extrasError = c.overrunError("PlaceObject3 fields");
    }
    if (!extrasError && (flags & 0x80)) {
        place->clipActions.emplace();
        extrasError = readClipActions(c, *place->clipActions);
    }
    c.timeline.add(std::move(place));
    return extrasError;
}

std::optional<Error> parsePlaceObject2(TagContext &c)
{
    return parsePlaceObject23(c, 2);
}

std::optional<Error> parsePlaceObject3(TagContext &c)
{
    return parsePlaceObject23(c, 3);
}

std::optional<Error> parseRemoveObject(TagContext &c)
{
    auto remove = std::make_unique<RemoveObject>();
    remove->version = 1;
    remove->characterId = c.reader.u16();
    remove->depth = c.reader.u16();
    if (auto error = c.overrunError("RemoveObject"))
        return error;
    c.timeline.add(std::move(remove));
    return std::nullopt;
}

std::optional<Error> parseRemoveObject2(TagContext &c)
{
    auto remove = std::make_unique<RemoveObject>();
    remove->version = 2;
    remove->depth = c.reader.u16();
    if (auto error = c.overrunError("RemoveObject2"))
        return error;
    c.timeline.add(std::move(remove));
    return std::nullopt;
}

} // namespace

void registerDisplayListTags(TagTable &table)
{
    table.add(TagCode::PlaceObject, parsePlaceObject, TagScope::Control);
    table.add(TagCode::PlaceObject2, parsePlaceObject2, TagScope::Control);
    table.add(TagCode::PlaceObject3, parsePlaceObject3, TagScope::Control);
    table.add(TagCode::RemoveObject, parseRemoveObject, TagScope::Control);
    table.add(TagCode::RemoveObject2, parseRemoveObject2, TagScope::Control);
}

} // namespace swf
