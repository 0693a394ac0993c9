// The tags of one timeline (the main movie's or a sprite's): control tags
// and, for the main movie, definitions, in the order they are written.
#pragma once

#include "swf/types.h"
#include "tools/swfwriter/bitwriter.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace swfwriter {

// The fields of a PlaceObject2/3; absent fields are not written.
struct Place {
    quint16 depth = 1;
    bool move = false;
    std::optional<quint16> characterId;
    std::optional<swf::Matrix> matrix;
    std::optional<swf::ColorTransform> colorTransform;
    std::optional<quint16> ratio;
    std::optional<QString> name;
    std::optional<quint16> clipDepth;
    // PlaceObject3 only.
    std::optional<QString> className;
    std::optional<quint8> blendMode;
    std::optional<quint8> bitmapCache;
    std::optional<quint8> visible;
    std::optional<swf::Rgba> opaqueBackground;
    // Encoded SURFACEFILTERLIST (count byte first) and CLIPACTIONS.
    std::optional<QByteArray> rawFilters;
    std::optional<QByteArray> rawClipActions;
};

class TimelineWriter {
public:
    // Any tag, with its body as given; a long header when `forceLong`.
    void rawTag(quint16 code, const QByteArray &body, bool forceLong = false);

    void placeObject(quint16 characterId, quint16 depth, const swf::Matrix &matrix = {},
                     const std::optional<swf::ColorTransform> &colorTransform = std::nullopt);
    void placeObject2(const Place &place);
    void placeObject3(const Place &place);
    void removeObject(quint16 characterId, quint16 depth);
    void removeObject2(quint16 depth);
    void frameLabel(const QString &name, bool anchor = false);
    void showFrame(int count = 1);

    int frames() const { return m_frames; }
    // The tags written so far, without the End tag.
    const QByteArray &tags() const { return m_tags; }

private:
    void placeObject23(const Place &place, int version);

    QByteArray m_tags;
    int m_frames = 0;
};

} // namespace swfwriter
