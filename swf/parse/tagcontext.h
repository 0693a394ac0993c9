// What a tag parser sees: the tag's body through a bounds-checked reader,
// the movie being built and the timeline the tag belongs to.
#pragma once

#include "swf/error.h"
#include "swf/io/reader.h"
#include "swf/io/tagstream.h"
#include "swf/model/movie.h"

#include <memory>
#include <optional>

namespace swf {

// Collects control tags into frames; ShowFrame closes a frame. Tags and
// frames past the movie's limits are dropped.
class TimelineBuilder {
public:
    TimelineBuilder(Timeline &timeline, TagStats &stats) : m_timeline(timeline), m_stats(stats) {}

    void add(std::unique_ptr<const ControlTag> tag);
    void showFrame();
    void label(const QString &name, bool anchor);
    // Tags after the last ShowFrame form one more frame: a movie cut short
    // plays what it holds.
    void finish();

private:
    Timeline &m_timeline;
    TagStats &m_stats;
    Frame m_pending;
};

class TagContext {
public:
    TagContext(const Tag &tag, MovieParts &movie, TimelineBuilder &timeline, int spriteDepth)
        : tag(tag), reader(tag.body, tag.bodyOffset), movie(movie), timeline(timeline),
          spriteDepth(spriteDepth)
    {
    }

    int version() const { return movie.header.version; }
    bool inSprite() const { return spriteDepth > 0; }

    // Adds a character; an id defined before keeps its first definition,
    // as the Flash Player does.
    void define(std::unique_ptr<const Character> character);

    // An error about this tag at the reader's position.
    Error error(const QString &message) const;
    // Error when the reader overran, nothing otherwise.
    std::optional<Error> overrunError(const char *what) const;

    const Tag &tag;
    Reader reader;
    MovieParts &movie;
    TimelineBuilder &timeline;
    int spriteDepth = 0;
};

} // namespace swf
