#include "tools/swfwriter/timelinewriter.h"

#include "swf/io/tagcodes.h"
#include "tools/swfwriter/records.h"

namespace swfwriter {

void TimelineWriter::rawTag(quint16 code, const QByteArray &body, bool forceLong)
{
    BitWriter w;
    if (body.size() < 0x3f && !forceLong) {
        w.u16(quint32(code << 6) | quint32(body.size()));
    } else {
        w.u16(quint32(code << 6) | 0x3f);
        w.u32(quint32(body.size()));
    }
    w.bytes(body);
    m_tags.append(w.data());
}

void TimelineWriter::placeObject(quint16 characterId, quint16 depth, const swf::Matrix &matrix,
                                 const std::optional<swf::ColorTransform> &colorTransform)
{
    BitWriter w;
    w.u16(characterId);
    w.u16(depth);
    writeMatrix(w, matrix);
    if (colorTransform)
        writeColorTransform(w, *colorTransform, false);
    rawTag(swf::TagCode::PlaceObject, w.data());
}

void TimelineWriter::placeObject2(const Place &place)
{
    placeObject23(place, 2);
}

void TimelineWriter::placeObject3(const Place &place)
{
    placeObject23(place, 3);
}

void TimelineWriter::placeObject23(const Place &p, int version)
{
    BitWriter w;
    w.ub(1, p.rawClipActions.has_value());
    w.ub(1, p.clipDepth.has_value());
    w.ub(1, p.name.has_value());
    w.ub(1, p.ratio.has_value());
    w.ub(1, p.colorTransform.has_value());
    w.ub(1, p.matrix.has_value());
    w.ub(1, p.characterId.has_value());
    w.ub(1, p.move);
    if (version >= 3) {
        w.ub(1, 0); // reserved
        w.ub(1, p.opaqueBackground.has_value());
        w.ub(1, p.visible.has_value());
        w.ub(1, 0); // has image
        w.ub(1, p.className.has_value());
        w.ub(1, p.bitmapCache.has_value());
        w.ub(1, p.blendMode.has_value());
        w.ub(1, p.rawFilters.has_value());
    }
    w.u16(p.depth);
    if (version >= 3 && p.className)
        w.cstring(p.className->toUtf8());
    if (p.characterId)
        w.u16(*p.characterId);
    if (p.matrix)
        writeMatrix(w, *p.matrix);
    if (p.colorTransform)
        writeColorTransform(w, *p.colorTransform, true);
    if (p.ratio)
        w.u16(*p.ratio);
    if (p.name)
        w.cstring(p.name->toUtf8());
    if (p.clipDepth)
        w.u16(*p.clipDepth);
    if (version >= 3) {
        if (p.rawFilters)
            w.bytes(*p.rawFilters);
        if (p.blendMode)
            w.u8(*p.blendMode);
        if (p.bitmapCache)
            w.u8(*p.bitmapCache);
        if (p.visible)
            w.u8(*p.visible);
        if (p.opaqueBackground)
            writeRgba(w, *p.opaqueBackground);
    }
    if (p.rawClipActions)
        w.bytes(*p.rawClipActions);
    rawTag(version >= 3 ? swf::TagCode::PlaceObject3 : swf::TagCode::PlaceObject2, w.data());
}

void TimelineWriter::removeObject(quint16 characterId, quint16 depth)
{
    BitWriter w;
    w.u16(characterId);
    w.u16(depth);
    rawTag(swf::TagCode::RemoveObject, w.data());
}

void TimelineWriter::removeObject2(quint16 depth)
{
    BitWriter w;
    w.u16(depth);
    rawTag(swf::TagCode::RemoveObject2, w.data());
}

void TimelineWriter::frameLabel(const QString &name, bool anchor)
{
    BitWriter w;
    w.cstring(name.toUtf8());
    if (anchor)
        w.u8(1);
    rawTag(swf::TagCode::FrameLabel, w.data());
}

void TimelineWriter::showFrame(int count)
{
    for (int i = 0; i < count; ++i) {
        rawTag(swf::TagCode::ShowFrame, {});
        ++m_frames;
    }
}

} // namespace swfwriter
