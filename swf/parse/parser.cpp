#include "swf/parse/parser.h"

#include "swf/io/container.h"
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/log.h"
#include "swf/parse/dispatch.h"
#include "swf/parse/tagtable.h"

namespace swf {

void TimelineBuilder::add(std::unique_ptr<const ControlTag> tag)
{
    if (m_stats.controlTags >= limits::kMaxControlTags) {
        m_stats.overLimits = true;
        return;
    }
    ++m_stats.controlTags;
    m_pending.tags.push_back(std::move(tag));
}

void TimelineBuilder::showFrame()
{
    if (m_stats.frames >= limits::kMaxFrames) {
        m_stats.overLimits = true;
        return;
    }
    ++m_stats.frames;
    m_timeline.frames.push_back(std::move(m_pending));
    m_pending = Frame{};
}

void TimelineBuilder::label(const QString &name, bool anchor)
{
    m_timeline.labels.push_back(FrameLabel{m_timeline.frameCount(), name, anchor});
}

void TimelineBuilder::finish()
{
    if (!m_pending.tags.empty())
        showFrame();
}

void TagContext::define(std::unique_ptr<const Character> character)
{
    const quint16 id = character->id();
    if (movie.dictionary.count(id)) {
        qCDebug(lcSwfIo) << "character" << id << "defined again at offset" << tag.offset
                         << "- the first definition stays";
        return;
    }
    movie.dictionary.emplace(id, std::move(character));
}

Error TagContext::error(const QString &message) const
{
    return Error{ErrorCode::Malformed, tag.code, reader.absolutePosition(), message};
}

std::optional<Error> TagContext::overrunError(const char *what) const
{
    if (reader.ok())
        return std::nullopt;
    return Error{ErrorCode::Truncated, tag.code, reader.absolutePosition(),
                 QStringLiteral("%1 runs past the end of its tag").arg(QLatin1String(what))};
}

void dispatchTags(TagStream &stream, MovieParts &movie, TimelineBuilder &timeline, int spriteDepth)
{
    const TagTable &table = TagTable::standard();
    Tag tag;
    while (stream.next(tag)) {
        ++movie.stats.byCode[tag.code];
        if (spriteDepth == 0)
            ++movie.stats.topLevelTags;
        const TagTable::Entry *entry = table.find(tag.code);
        if (!entry || (spriteDepth > 0 && entry->scope != TagScope::Control)) {
            ++movie.stats.unknownTags;
            continue;
        }
        TagContext context(tag, movie, timeline, spriteDepth);
        if (const std::optional<Error> error = entry->handler(context)) {
            ++movie.stats.malformedTags;
            qCDebug(lcSwfIo).noquote() << "skipped:" << error->toString();
        }
    }
    if (movie.stats.overLimits)
        qCDebug(lcSwfIo) << "movie beyond the engine's limits; the excess is dropped";
    if (stream.cutShort()) {
        movie.stats.cutShort = true;
        qCDebug(lcSwfIo) << "tag stream cut short; playing what it holds";
    }
    timeline.finish();
}

Result<std::shared_ptr<const Movie>> parseMovie(QByteArrayView file)
{
    auto decoded = decodeSwf(file);
    if (!decoded)
        return decoded.error();
    MovieParts parts;
    parts.header = decoded->header;
    parts.truncated = decoded->truncated;
    const QByteArrayView data(decoded->data);
    TagStream stream(data.sliced(parts.header.tagsOffset), parts.header.tagsOffset);
    TimelineBuilder timeline(parts.timeline, parts.stats);
    dispatchTags(stream, parts, timeline, 0);
    return std::shared_ptr<const Movie>(std::make_shared<Movie>(std::move(parts)));
}

} // namespace swf
