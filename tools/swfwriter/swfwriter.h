// A small SWF writer, so that every test states the movie it uses.
//
//   swfwriter::SwfWriter movie;                 // version 10, FWS, 550 × 400
//   movie.setStageSize(200, 100);               // pixels
//   movie.setFrameRate(12);
//   movie.setBackgroundColor({0, 0, 0});
//   swfwriter::ShapeBuilder box;
//   box.rect(QRect(0, 0, px(50), px(50)), box.addFill({255, 0, 0}));
//   const quint16 id = movie.defineShape(box);
//   movie.placeObject2({.depth = 1, .characterId = id,
//                       .matrix = swfwriter::translation(10, 10)});
//   movie.showFrame();
//   QByteArray bytes = movie.finish();          // End tag and header added
//
// Definitions and control tags go into the main timeline in call order.
// Sprites are written as a TimelineWriter and defined with defineSprite().
// New definition writers (bitmaps, fonts, sounds) follow defineShape():
// encode the body, then rawTag() it.
#pragma once

#include "swf/io/container.h"
#include "tools/swfwriter/records.h"
#include "tools/swfwriter/shapebuilder.h"
#include "tools/swfwriter/timelinewriter.h"

#include <optional>

namespace swfwriter {

using swf::Compression;

class SwfWriter : public TimelineWriter {
public:
    void setVersion(int version) { m_version = version; }
    void setCompression(Compression compression) { m_compression = compression; }
    void setStageSize(double widthPixels, double heightPixels);
    void setStageRect(const swf::Rect &twips) { m_stage = twips; }
    void setFrameRate(double framesPerSecond) { m_frameRate = framesPerSecond; }
    // Writes this count into the header instead of the frames written.
    void setFrameCountOverride(int count) { m_frameCountOverride = count; }

    void setBackgroundColor(swf::Rgba color);
    // DefineShape`version` (1…4); returns the character id.
    quint16 defineShape(const ShapeBuilder &shape, int version = 3,
                        std::optional<quint16> id = std::nullopt);
    // A sprite from the tags of `timeline` (an End tag is appended).
    quint16 defineSprite(const TimelineWriter &timeline, std::optional<quint16> id = std::nullopt,
                         std::optional<int> frameCount = std::nullopt);
    // An id for a definition written later (or never).
    quint16 reserveId() { return m_nextId++; }
    // `id` when given (later ids are handed out past it), else the next free one.
    quint16 takeId(std::optional<quint16> id);

    // The whole file: header, the tags, End.
    QByteArray finish() const;
    bool save(const QString &path) const;

private:
    int m_version = 10;
    Compression m_compression = Compression::None;
    swf::Rect m_stage{0, px(550), 0, px(400)};
    double m_frameRate = 24.0;
    std::optional<int> m_frameCountOverride;
    quint16 m_nextId = 1;
};

} // namespace swfwriter
