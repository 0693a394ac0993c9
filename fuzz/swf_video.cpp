// libFuzzer target over embedded video: the input is a codec byte, a split
// byte and a payload. The payload is cut into the packets of a stream of
// that codec, 64 x 48, and a movie shows them: placed with a ratio per
// frame, played, sought back and forth and drawn, so every decoder sees
// damaged packets in the orders the seeking logic feeds them. The tags
// themselves are parsed from any movie by swf_load.
#include "swf/model/placement.h"
#include "swf/model/video.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"

#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>

namespace {

constexpr quint16 kStreamId = 1;
constexpr int kFrames = 6;

std::shared_ptr<const swf::Movie> movieFor(quint8 codec, QByteArrayView payload, qsizetype piece)
{
    swf::MovieParts parts;
    parts.header.frameCount = kFrames;
    parts.header.frameRate = 12 * 256;
    parts.header.frameSize = swf::Rect{0, 64 * 20, 0, 48 * 20};
    auto stream = std::make_unique<swf::VideoStream>(kStreamId);
    stream->codec = codec;
    stream->width = 64;
    stream->height = 48;
    stream->frameCount = kFrames;
    stream->smoothing = codec & 0x80;
    parts.dictionary.emplace(kStreamId, std::move(stream));
    parts.timeline.frames.resize(kFrames);
    swf::VideoPackets &packets = parts.videos.packets[kStreamId];
    for (int f = 0; f < kFrames; ++f) {
        const qsizetype at = qMin(payload.size(), f * piece);
        packets.emplace(quint16(f),
                        payload.sliced(at, qMin(piece, payload.size() - at)).toByteArray());
        auto place = std::make_unique<swf::PlaceObject>();
        place->version = 2;
        place->depth = 1;
        place->move = f > 0;
        if (f == 0)
            place->characterId = kStreamId;
        place->ratio = quint16(f);
        parts.timeline.frames[size_t(f)].tags.push_back(std::move(place));
    }
    return std::make_shared<const swf::Movie>(std::move(parts));
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
    // Codecs 2 to 6, and now and then one no decoder knows.
    const quint8 codec = data[0] % 8;
    const QByteArrayView payload(reinterpret_cast<const char *>(data) + 2, qsizetype(size - 2));
    const qsizetype piece = qMax<qsizetype>(1, payload.size() * (data[1] + 1) / 1536 + 1);
    const auto movie = movieFor(quint8(codec | (data[1] & 0x80)), payload, piece);
    swf::Player player(movie);
    swf::Renderer renderer;
    for (int i = 0; i < kFrames; ++i) {
        renderer.render(player, QSize(64, 48), Qt::black);
        player.step();
    }
    for (int frame : {4, 1, 5, 0, 3}) {
        player.seek(frame);
        renderer.render(player, QSize(32, 24), Qt::black);
    }
    return 0;
}
