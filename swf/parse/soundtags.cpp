// Tag family: sounds: DefineSound, StartSound 1/2, SoundStreamHead 1/2,
// SoundStreamBlock and DefineButtonSound.
#include "swf/io/tagcodes.h"
#include "swf/model/sound.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

namespace {

// SOUNDINFO: a flag byte, then the fields the flags announce.
SoundInfo readSoundInfo(Reader &r)
{
    SoundInfo info;
    const quint8 flags = r.u8();
    info.syncStop = flags & 0x20;
    info.noMultiple = flags & 0x10;
    if (flags & 0x01)
        info.inPoint = r.u32();
    if (flags & 0x02)
        info.outPoint = r.u32();
    if (flags & 0x04)
        info.loops = r.u16();
    if (flags & 0x08) {
        const int points = r.u8();
        // Each point takes eight bytes; a count the tag cannot hold is damage.
        if (qint64(points) * 8 > r.remaining()) {
            r.fail();
            return info;
        }
        info.envelope.reserve(size_t(points));
        for (int i = 0; i < points; ++i) {
            SoundEnvelopePoint point;
            point.position44 = r.u32();
            point.left = r.u16();
            point.right = r.u16();
            info.envelope.push_back(point);
        }
    }
    return info;
}

std::optional<Error> parseDefineSound(TagContext &c)
{
    auto sound = std::make_unique<Sound>(c.reader.u16());
    sound->format = SoundFormat::fromByte(c.reader.u8());
    sound->sampleCount = c.reader.u32();
    if (auto error = c.overrunError("DefineSound"))
        return error;
    sound->data = c.reader.rest().toByteArray();
    c.define(std::move(sound));
    return std::nullopt;
}

std::optional<Error> parseStartSound(TagContext &c)
{
    auto start = std::make_unique<StartSound>();
    start->soundId = c.reader.u16();
    start->info = readSoundInfo(c.reader);
    if (auto error = c.overrunError("StartSound"))
        return error;
    c.timeline.add(std::move(start));
    return std::nullopt;
}

std::optional<Error> parseStartSound2(TagContext &c)
{
    auto start = std::make_unique<StartSound>();
    start->className = decodeText(c.reader.cstring(), c.version());
    start->info = readSoundInfo(c.reader);
    if (auto error = c.overrunError("StartSound2"))
        return error;
    c.timeline.add(std::move(start));
    return std::nullopt;
}

std::optional<Error> parseSoundStreamHead(TagContext &c, int version)
{
    auto head = std::make_unique<SoundStreamHead>();
    head->version = version;
    // The playback byte keeps four reserved bits above the usual layout.
    head->playback = SoundFormat::fromByte(c.reader.u8() & 0x0f);
    head->stream = SoundFormat::fromByte(c.reader.u8());
    head->samplesPerBlock = c.reader.u16();
    if (auto error = c.overrunError("SoundStreamHead"))
        return error;
    // LatencySeek follows for MP3; some encoders leave it out.
    if (head->stream.soundCodec() == SoundCodec::Mp3 && c.reader.remaining() >= 2)
        head->latencySeek = c.reader.s16();
    c.timeline.add(std::move(head));
    return std::nullopt;
}

std::optional<Error> parseSoundStreamHead1(TagContext &c)
{
    return parseSoundStreamHead(c, 1);
}

std::optional<Error> parseSoundStreamHead2(TagContext &c)
{
    return parseSoundStreamHead(c, 2);
}

std::optional<Error> parseSoundStreamBlock(TagContext &c)
{
    auto block = std::make_unique<SoundStreamBlock>();
    block->data = c.reader.rest().toByteArray();
    c.timeline.add(std::move(block));
    return std::nullopt;
}

// Four entries, one per state change; a sound id of 0 means none.
std::optional<Error> parseDefineButtonSound(TagContext &c)
{
    const quint16 buttonId = c.reader.u16();
    std::array<std::optional<ButtonSound>, 4> sounds;
    for (auto &entry : sounds) {
        const quint16 soundId = c.reader.u16();
        if (soundId == 0)
            continue;
        entry = ButtonSound{soundId, readSoundInfo(c.reader)};
    }
    if (auto error = c.overrunError("DefineButtonSound"))
        return error;
    // As with characters, the first definition for a button stays.
    c.movie.sounds.buttonSounds.try_emplace(buttonId, std::move(sounds));
    return std::nullopt;
}

} // namespace

void registerSoundTags(TagTable &table)
{
    table.add(TagCode::DefineSound, parseDefineSound, TagScope::Definition);
    table.add(TagCode::StartSound, parseStartSound, TagScope::Control);
    table.add(TagCode::StartSound2, parseStartSound2, TagScope::Control);
    table.add(TagCode::SoundStreamHead, parseSoundStreamHead1, TagScope::Control);
    table.add(TagCode::SoundStreamHead2, parseSoundStreamHead2, TagScope::Control);
    table.add(TagCode::SoundStreamBlock, parseSoundStreamBlock, TagScope::Control);
    table.add(TagCode::DefineButtonSound, parseDefineButtonSound, TagScope::Definition);
}

} // namespace swf
