// ShowFrame, End, FrameLabel and SetBackgroundColor.
#include "swf/io/tagcodes.h"
#include "swf/parse/records.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

namespace {

std::optional<Error> parseShowFrame(TagContext &c)
{
    c.timeline.showFrame();
    return std::nullopt;
}

// The tag stream stops at End by itself.
std::optional<Error> parseEnd(TagContext &)
{
    return std::nullopt;
}

std::optional<Error> parseFrameLabel(TagContext &c)
{
    const QByteArray name = c.reader.cstring();
    if (auto error = c.overrunError("frame label"))
        return error;
    // From version 6 a trailing byte of 1 makes the label a named anchor.
    const bool anchor = !c.reader.atEnd() && c.reader.u8() == 1;
    c.timeline.label(decodeText(name, c.version()), anchor);
    return std::nullopt;
}

// The first background colour counts; the Flash Player paints the stage
// with it from the first frame on.
std::optional<Error> parseSetBackgroundColor(TagContext &c)
{
    const Rgba color = readRgb(c.reader);
    if (auto error = c.overrunError("background colour"))
        return error;
    if (!c.movie.backgroundColor)
        c.movie.backgroundColor = color;
    return std::nullopt;
}

} // namespace

void registerTimelineTags(TagTable &table)
{
    table.add(TagCode::ShowFrame, parseShowFrame, TagScope::Control);
    table.add(TagCode::End, parseEnd, TagScope::Control);
    table.add(TagCode::FrameLabel, parseFrameLabel, TagScope::Control);
    table.add(TagCode::SetBackgroundColor, parseSetBackgroundColor, TagScope::Definition);
}

} // namespace swf
