// A loaded movie: header, dictionary of characters, the main timeline and
// what was learnt while reading it. Immutable once built and shared
// (std::shared_ptr<const Movie>) by every player showing it.
#pragma once

#include "swf/io/container.h"
#include "swf/model/character.h"
#include "swf/model/sound.h"
#include "swf/model/symbols.h"
#include "swf/model/timeline.h"
#include "swf/model/video.h"
#include "swf/types.h"

#include <QMap>

#include <memory>
#include <optional>
#include <unordered_map>

namespace swf {

// Tag counts seen while parsing, all timelines together.
struct TagStats {
    int topLevelTags = 0;    // tags of the main tag stream, End included
    int unknownTags = 0;     // tags no parser handles, skipped
    int malformedTags = 0;   // tags whose contents could not be read
    bool cutShort = false;   // a tag ran past the end of the data
    qint64 shapeRecords = 0; // kept, all shapes together
    qint64 controlTags = 0;  // kept, all timelines together
    qint64 frames = 0;       // kept, all timelines together
    qint64 fontGlyphs = 0;   // kept, all fonts together
    qint64 textGlyphs = 0;   // glyph entries kept, all static texts together
    bool overLimits = false; // something was dropped to stay within the limits
    QMap<quint16, int> byCode;
};

using Dictionary = std::unordered_map<quint16, std::unique_ptr<const Character>>;

struct MovieParts {
    SwfHeader header;
    bool truncated = false; // the data ended before the declared length
    std::optional<Rgba> backgroundColor;
    Dictionary dictionary;
    Timeline timeline;
    TagStats stats;
    // Button sounds, from the sound tags.
    SoundTables sounds;
    // VideoFrame packets, from the video tags.
    VideoTables videos;
    SymbolTable symbols;
    ScriptLimits scriptLimits;
    FileAttributes attributes;
    // JPEGTables, while parsing: DefineBits images take their tables from it.
    QByteArray jpegTables;
};

class Movie {
public:
    explicit Movie(MovieParts parts) : m(std::move(parts)) {}
    Movie(const Movie &) = delete;
    Movie &operator=(const Movie &) = delete;

    const SwfHeader &header() const { return m.header; }
    int version() const { return m.header.version; }
    const Rect &stage() const { return m.header.frameSize; }
    // The frame count the header declares; the timeline may hold fewer.
    int frameCount() const { return m.header.frameCount; }
    double frameRate() const { return m.header.frameRateValue(); }
    bool truncated() const { return m.truncated; }
    std::optional<Rgba> backgroundColor() const { return m.backgroundColor; }

    const Timeline &timeline() const { return m.timeline; }
    const Dictionary &dictionary() const { return m.dictionary; }
    const TagStats &stats() const { return m.stats; }
    const SoundTables &sounds() const { return m.sounds; }
    const VideoTables &videos() const { return m.videos; }
    const SymbolTable &symbols() const { return m.symbols; }
    const ScriptLimits &scriptLimits() const { return m.scriptLimits; }
    const FileAttributes &attributes() const { return m.attributes; }

    const Character *character(quint16 id) const
    {
        const auto it = m.dictionary.find(id);
        return it == m.dictionary.end() ? nullptr : it->second.get();
    }

private:
    MovieParts m;
};

} // namespace swf
