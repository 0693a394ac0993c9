// libFuzzer target over the sound decoders and what plays them: the input
// is a format byte, a split byte and a codec payload. The payload is
// decoded whole as a DefineSound, in pieces as stream blocks, and played
// through the engine as an event sound (with a sound info drawn from the
// input) and as a stream, with steps, a seek, a stop and a loop.
#include "swf/audio/audioengine.h"
#include "swf/audio/decodedsound.h"
#include "swf/audio/streamdecoder.h"
#include "swf/runtime/player.h"

#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>

namespace {

constexpr quint16 kSoundId = 1;
constexpr int kFrames = 4;

swf::SoundInfo soundInfoFrom(QByteArrayView bytes)
{
    swf::SoundInfo info;
    if (bytes.size() < 12)
        return info;
    const auto *b = reinterpret_cast<const quint8 *>(bytes.data());
    info.noMultiple = b[0] & 1;
    if (b[0] & 2)
        info.inPoint = quint32(b[1] | b[2] << 8);
    if (b[0] & 4)
        info.outPoint = quint32(b[3] | b[4] << 8);
    info.loops = quint16(b[5] & 7);
    if (b[0] & 8) {
        info.envelope.push_back({quint32(b[6]), quint16(b[7] << 8), quint16(b[8] << 8)});
        info.envelope.push_back({quint32(b[9] << 4), quint16(b[10] << 7), quint16(b[11] << 7)});
    }
    return info;
}

// A movie of four frames: the sound defined and started in frame 0, the
// stream's head there too, and the payload cut into one block per frame.
std::shared_ptr<const swf::Movie> movieFor(const swf::SoundFormat &format, QByteArrayView payload,
                                           qsizetype piece)
{
    swf::MovieParts parts;
    parts.header.frameCount = kFrames;
    parts.header.frameRate = 30 * 256;
    auto sound = std::make_unique<swf::Sound>(kSoundId);
    sound->format = format;
    sound->sampleCount = quint32(payload.size() * 3);
    sound->data = payload.toByteArray();
    parts.dictionary.emplace(kSoundId, std::move(sound));
    parts.timeline.frames.resize(kFrames);
    auto start = std::make_unique<swf::StartSound>();
    start->soundId = kSoundId;
    start->info = soundInfoFrom(payload);
    parts.timeline.frames[0].tags.push_back(std::move(start));
    auto head = std::make_unique<swf::SoundStreamHead>();
    head->stream = format;
    parts.timeline.frames[0].tags.push_back(std::move(head));
    for (int f = 0; f < kFrames; ++f) {
        auto block = std::make_unique<swf::SoundStreamBlock>();
        block->data = payload.sliced(qMin(payload.size(), f * piece))
                          .first(qMin(piece, qMax<qsizetype>(0, payload.size() - f * piece)))
                          .toByteArray();
        parts.timeline.frames[size_t(f)].tags.push_back(std::move(block));
    }
    return std::make_shared<const swf::Movie>(std::move(parts));
}

void play(const std::shared_ptr<const swf::Movie> &movie)
{
    swf::AudioEngine engine(movie);
    swf::Player player(movie, &engine);
    engine.attach(&player);
    std::vector<qint16> mix(2 * 2048);
    player.play();
    for (int i = 0; i < 6; ++i) {
        engine.render(mix.data(), 1470);
        player.step(); // loops after the fourth frame
    }
    player.seek(2);
    engine.render(mix.data(), 2048);
    engine.buttonTransition(kSoundId, swf::ButtonSoundTransition::IdleToOverUp);
    player.stop();
    player.seek(1);
    player.play();
    engine.render(mix.data(), 2048);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const swf::SoundFormat format = swf::SoundFormat::fromByte(data[0]);
    const QByteArrayView payload(reinterpret_cast<const char *>(data) + 2, qsizetype(size - 2));
    const qsizetype piece = qMax<qsizetype>(1, payload.size() * (data[1] + 1) / 1024 + 1);

    const auto movie = movieFor(format, payload, piece);
    const auto *sound = dynamic_cast<const swf::Sound *>(movie->character(kSoundId));
    (void)swf::decodeSound(*sound);

    swf::StreamDecoder stream(format);
    std::vector<qint16> samples;
    for (qsizetype at = 0; at < payload.size(); at += piece)
        stream.decode(payload.sliced(at, qMin(piece, payload.size() - at)), samples);

    play(movie);
    return 0;
}
